#include "app/about_text.h"
#include "platform/files.h"
#include "support/task_builders.h"
#include "support/temp_home.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <iconv.h>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using testing_support::cp932;
using testing_support::exists;
using testing_support::readFile;
using testing_support::TempHome;
using testing_support::writeFile;

namespace {

// Converts with glibc's iconv directly, so the check does not lean on the codec under test.
std::optional<std::string> convert(const std::string& in, const char* from, const char* to) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    std::string out(in.size() * 4 + 16, '\0');
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char* dst = out.data();
    size_t dstLeft = out.size();
    const size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    iconv_close(cd);
    if (rc == static_cast<size_t>(-1) || srcLeft != 0)
        return std::nullopt;
    out.resize(out.size() - dstLeft);
    return out;
}

// Splits on CR LF; the text is expected to end with one.
std::vector<std::string> crlfLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t pos; (pos = text.find("\r\n", start)) != std::string::npos; start = pos + 2)
        lines.push_back(text.substr(start, pos - start));
    return lines;
}

// The first index at or after `from` whose line is exactly `wanted`, or -1.
long findLine(const std::vector<std::string>& lines, const std::string& wanted, size_t from) {
    for (size_t i = from; i < lines.size(); ++i) {
        if (lines[i] == wanted)
            return static_cast<long>(i);
    }
    return -1;
}

std::string writtenGuide(const TempHome& home) {
    const std::string path = home.scratch() + "/Chorelinについて.txt";
    EXPECT_EQ(MyAboutTextWrite(platform::SystemPath(path)), 0);
    return readFile(path);
}

const std::string kLongRule(80, '-');

} // namespace

TEST(AboutText, ComposedTextFitsTheLimit) {
    const std::optional<std::string> text = composeAboutText();
    ASSERT_TRUE(text.has_value());
    EXPECT_LE(text->size(), kAboutTextMaxBytes);
    EXPECT_GT(text->size(), 2000u); // a real guide, not a stub
}

TEST(AboutText, FileIsCp932WithCrLfLineEnds) {
    TempHome home;
    const std::string bytes = writtenGuide(home);
    ASSERT_FALSE(bytes.empty());
    EXPECT_EQ(bytes, composeAboutText().value());
    EXPECT_LE(bytes.size(), kAboutTextMaxBytes);
    EXPECT_EQ(bytes.find('\0'), std::string::npos);

    const std::optional<std::string> utf8 = convert(bytes, "CP932", "UTF-8");
    ASSERT_TRUE(utf8.has_value()) << "not valid cp932";
    EXPECT_EQ(convert(*utf8, "UTF-8", "CP932"), bytes) << "cp932 does not round-trip";

    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n') {
            ASSERT_TRUE(i > 0 && bytes[i - 1] == '\r') << "bare LF at byte " << i;
        }
        if (bytes[i] == '\r') {
            ASSERT_TRUE(i + 1 < bytes.size() && bytes[i + 1] == '\n') << "bare CR at byte " << i;
        }
    }

    struct stat st {};
    ASSERT_EQ(::stat((home.scratch() + "/Chorelinについて.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
}

TEST(AboutText, TitleBlockAndSectionsInOrder) {
    TempHome home;
    const std::optional<std::string> utf8 = convert(writtenGuide(home), "CP932", "UTF-8");
    ASSERT_TRUE(utf8.has_value());
    const std::vector<std::string> lines = crlfLines(*utf8);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], std::string(40, '-'));
    EXPECT_EQ(lines[1], "Chorelin Ver1.04");
    EXPECT_EQ(lines[2], std::string(40, '-'));

    // Each section: its heading, then the lines it must hold (in order), then its closing rule
    // before the next heading.
    struct Expected {
        std::string heading;
        std::vector<std::string> contains;
    };
    const std::vector<Expected> sections = {
        {"【概要】", {"1.定例的に開くファイルやアプリケーションを希望の日付・時刻に起動します。"}},
        {"【動作環境】", {"1.対応ＯＳ"}},
        {"【セットアップ】", {}},
        {"【起動及び終了】", {"1.起動", "2.終了"}},
        {"【メニュー一覧】",
         {"1.アプリケーションメニュー",
          "2.ウィンドウのコンテキストメニュー（右クリックで表示されるメニュー）",
          "3.タスクトレイアイコンのコンテキストメニュー（右クリックで表示されるメニュー）",
          "4.システムメニュー（タイトルバー右側に配置されたボタン）"}},
        {"【機能説明】", {}},
        {"【ウィンドウの文字色、背景色について】", {}},
        {"【制限事項】", {}},
        {"【利用規定】", {}},
        {"【お問い合わせ】", {}},
    };
    size_t at = 3;
    for (const Expected& section : sections) {
        const long heading = findLine(lines, section.heading, at);
        ASSERT_GE(heading, 0) << section.heading << " missing or out of order";
        const long rule = findLine(lines, kLongRule, static_cast<size_t>(heading) + 1);
        ASSERT_GT(rule, heading) << section.heading << " is not closed";
        for (size_t i = at; i < static_cast<size_t>(heading); ++i)
            EXPECT_TRUE(lines[i].empty()) << "stray line before " << section.heading;
        size_t inner = static_cast<size_t>(heading) + 1;
        for (const std::string& wanted : section.contains) {
            const long found = findLine(lines, wanted, inner);
            EXPECT_TRUE(found > heading && found < rule) << wanted << " not in " << section.heading;
            if (found > 0)
                inner = static_cast<size_t>(found) + 1;
        }
        at = static_cast<size_t>(rule) + 1;
    }
    // The trademark footnote ends the file, after the last rule.
    ASSERT_LT(at, lines.size());
    EXPECT_NE(lines.back().find("商標"), std::string::npos);
    EXPECT_EQ(findLine(lines, kLongRule, at), -1);
}

TEST(AboutText, MentionsTheExitCommandAndTheMaker) {
    TempHome home;
    const std::string utf8 = convert(writtenGuide(home), "CP932", "UTF-8").value();
    EXPECT_NE(utf8.find("[アプリケーションの終了]"), std::string::npos);
    EXPECT_NE(utf8.find("Marrowby"), std::string::npos);
    // Three quoted complaints in the overview.
    const size_t overview = utf8.find("【概要】");
    const size_t overviewEnd = utf8.find(kLongRule, overview);
    size_t quotes = 0;
    for (size_t pos = overview; (pos = utf8.find("「", pos)) < overviewEnd; ++pos) {
        if (utf8.compare(pos - 2, 2, "  ") == 0)
            ++quotes;
    }
    EXPECT_EQ(quotes, 3u);
}

TEST(AboutText, ExistingFileIsKeptByteForByte) {
    struct Case {
        const char* what;
        std::string content;
    };
    const std::vector<Case> cases = {
        {"edited by the user", cp932("自分用のメモ\r\n") + std::string("\x00\xff", 2)},
        {"empty", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempHome home;
        const std::string path = home.scratch() + "/Chorelinについて.txt";
        writeFile(path, c.content, 0600);
        EXPECT_EQ(MyAboutTextWrite(platform::SystemPath(path)), -14);
        EXPECT_EQ(readFile(path), c.content);
    }
}

TEST(AboutText, SecondWriteLeavesTheFirst) {
    TempHome home;
    const std::string first = writtenGuide(home);
    EXPECT_EQ(MyAboutTextWrite(platform::SystemPath(home.scratch() + "/Chorelinについて.txt")),
              -14);
    EXPECT_EQ(readFile(home.scratch() + "/Chorelinについて.txt"), first);
}

TEST(AboutText, EmptyPathIsRefused) {
    EXPECT_EQ(MyAboutTextWrite(platform::SystemPath()), -1);
}

TEST(AboutText, MissingFolderGivesOpenFailureAndCreatesNothing) {
    TempHome home;
    const std::string folder = home.scratch() + "/gone";
    EXPECT_EQ(MyAboutTextWrite(platform::SystemPath(folder + "/Chorelin.txt")), -3);
    EXPECT_FALSE(exists(folder));
}

TEST(AboutText, ReadOnlyFolderGivesOpenFailureAndCreatesNothing) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    TempHome home;
    const std::string folder = home.scratch() + "/ro";
    testing_support::makeDirs(folder);
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
    EXPECT_EQ(MyAboutTextWrite(platform::SystemPath(folder + "/Chorelin.txt")), -3);
    EXPECT_FALSE(exists(folder + "/Chorelin.txt"));
    ::chmod(folder.c_str(), 0755);
}

TEST(AboutText, ShortWriteLeavesNoPartialFile) {
    TempHome home;
    const std::string path = home.scratch() + "/Chorelin.txt";
    platform::setWriteFaultAfter(100);
    const int rc = MyAboutTextWrite(platform::SystemPath(path));
    platform::setWriteFaultAfter(-1);
    EXPECT_EQ(rc, -6);
    // A cut-off guide left behind would never be replaced, so it must not stay.
    EXPECT_FALSE(exists(path));
    EXPECT_EQ(MyAboutTextWrite(platform::SystemPath(path)), 0);
    EXPECT_EQ(readFile(path), composeAboutText().value());
}
