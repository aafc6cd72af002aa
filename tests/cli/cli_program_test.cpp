// What the command line does on both systems, without a task file or a history of its own: the
// text helpers, and the real program's answers through a pipe (on Windows a window program,
// which must still hand its UTF-8 over unchanged and exit with the command's code).

#include "cli/cli_output.h"
#include "support/temp_home.h"

#include <QProcess>
#include <gtest/gtest.h>

namespace {

struct Answer {
    int code = -1;
    QByteArray out;
    QByteArray err;
};

Answer run(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral(CHORELIN_BINARY), arguments);
    Answer answer;
    if (!process.waitForFinished(60000))
        return answer;
    answer.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    answer.out = process.readAllStandardOutput();
    answer.err = process.readAllStandardError();
    return answer;
}

TEST(TextOutput, ControlCharactersAreShownEscaped) {
    const struct {
        std::string text, keep, shown;
    } cases[] = {
        {"a\x1b[2Jb", "", "a\\x1b[2Jb"},
        {std::string("n\0m", 3), "", "n\\x00m"},
        {"del\x7f", "", "del\\x7f"},
        {"csi\u009b1m", "", "csi\\u009b1m"}, // U+009B, the one-character CSI
        {"tab\tline\n", "", "tab\\x09line\\x0a"},
        {"tab\tline\n", "\n\t", "tab\tline\n"},
        {"祝日「元日」", "", "祝日「元日」"},
        {"bad\xff", "", "bad\xef\xbf\xbd"}, // no UTF-8: U+FFFD
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shown);
        EXPECT_EQ(cli::visibleText(std::string_view(c.text), QString::fromStdString(c.keep)),
                  c.shown);
    }
    // A cell's line break is a space; its escapes count for the columns' widths.
    EXPECT_EQ(cli::textTable({"名前", "x"}, {{"a\nb", "1"}, {"\x1b", "2"}}),
              "名前  x\n----  -\na b   1\n\\x1b  2\n");
}

TEST(CommandLine, AnswersInUtf8AndRefusesBadLinesWithTwo) {
    testing_support::TempHome home;
    const Answer version = run({"--version"});
    EXPECT_EQ(version.code, 0);
    EXPECT_EQ(version.out.toStdString(), "chorelin " CHORELIN_VERSION "\n");

    const QByteArray hint = QStringLiteral("使い方は 'chorelin --help' で表示されます。").toUtf8();
    for (const char* line : {"--list --bogus", "-list", "x", "--list --holidays 2024"}) {
        SCOPED_TRACE(line);
        const Answer bad = run(QString::fromLatin1(line).split(' '));
        EXPECT_EQ(bad.code, 2);
        EXPECT_TRUE(bad.out.isEmpty());
        EXPECT_TRUE(bad.err.startsWith("chorelin: ")) << bad.err.toStdString();
        EXPECT_TRUE(bad.err.trimmed().endsWith(hint)) << bad.err.toStdString();
    }
    const Answer holidays = run({"--holidays", "2024"});
    EXPECT_EQ(holidays.code, 0) << holidays.err.toStdString();
    EXPECT_TRUE(
        holidays.out.startsWith(QStringLiteral("日付\t出典\t名称\n2024/01/01\t組み込み").toUtf8()))
        << holidays.out.toStdString();
}

} // namespace
