#include "cli/command_line.h"

#include "cli/cli_output.h"
#include "cli/commands.h"
#include "platform/console_text.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <span>
#include <string_view>

namespace cli {
namespace {

// Options that Qt's window platform takes itself, with one dash or two; alone they start the
// window. `takesValue`: the value may also come as the next argument.
struct QtWindowOption {
    std::string_view name;
    bool takesValue;
};
constexpr QtWindowOption kQtWindowOptions[] = {
    {"platform", true},        {"platformpluginpath", true},
    {"platformtheme", true},   {"plugin", true},
    {"qwindowgeometry", true}, {"qwindowicon", true},
    {"qwindowtitle", true},    {"reverse", false},
    {"session", true},         {"display", true},
    {"geometry", true},        {"style", true},
    {"stylesheet", true},      {"widgetcount", false},
    {"nograb", false},         {"dograb", false},
    {"sync", false},           {"qmljsdebugger", false}};

// How many arguments from this one on are one of Qt's window options with its value: 0 when
// the argument is none. `valueMayFollow`: another argument comes after it.
size_t qtWindowOptionLength(std::string_view text, bool valueMayFollow) {
    if (text.size() < 2 || text[0] != '-')
        return 0;
    text.remove_prefix(text[1] == '-' ? 2 : 1);
    const size_t equals = text.find('=');
    const std::string_view name = text.substr(0, equals);
    for (const QtWindowOption& option : kQtWindowOptions) {
        if (name != option.name)
            continue;
        const bool valueFollows =
            option.takesValue && equals == std::string_view::npos && valueMayFollow;
        return valueFollows ? 2 : 1;
    }
    return 0;
}

// "-list": a word after one dash that Qt would read as the short options -l -i -s -t.
QString singleDashWord(const QStringList& arguments) {
    for (const QString& argument : arguments.mid(1)) {
        if (argument == QStringLiteral("--"))
            break;
        if (argument.size() > 2 && argument[0] == QLatin1Char('-') &&
            argument[1] != QLatin1Char('-'))
            return argument;
    }
    return QString();
}

bool takesOption(const Command& command, const QString& name) {
    for (const QCommandLineOption& option : command.options()) {
        if (option.names().contains(name))
            return true;
    }
    return false;
}

// Qt's own texts (the help's headings, its option errors) in Japanese, as in the window.
void translateQtTexts(QTranslator& translator) {
    if (translator.load(QStringLiteral("qtbase_ja"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&translator);
}

} // namespace

bool wantsCommand(int argc, char** argv) {
    const std::span<char* const> arguments(argv, static_cast<size_t>(argc));
    for (size_t i = 1; i < arguments.size();) {
        const size_t length = qtWindowOptionLength(arguments[i], i + 1 < arguments.size());
        if (length == 0)
            return true;
        i += length;
    }
    return false;
}

int runCommand(int argc, char** argv) {
    // Before anything is printed: a window program on Windows has no console of its own.
    platform::attachParentConsole();
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("chorelin"));
    QCoreApplication::setOrganizationName(QStringLiteral("Marrowby"));
    QCoreApplication::setApplicationVersion(QStringLiteral(CHORELIN_VERSION));
    QTranslator translator;
    translateQtTexts(translator);

    // Qt's window options concern the window alone; beside a command they change nothing. The
    // arguments as the application has them: on Windows from the wide command line, so that a
    // task's name outside the ANSI code page arrives whole.
    const QStringList given = QCoreApplication::arguments();
    QStringList arguments{given.value(0)};
    for (qsizetype i = 1; i < given.size();) {
        const size_t length = qtWindowOptionLength(given[i].toStdString(), i + 1 < given.size());
        if (length == 0)
            arguments << given[i];
        i += static_cast<qsizetype>(std::max<size_t>(length, 1));
    }

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "指定した日時にプログラムを実行し、文書を開きます。オプションなしで起動するとウィンドウを"
        "開きます。\n"
        "--list、--history、--holidays は表示するだけで、何も変えません。--import-holidays は"
        "祝日データを取り込みます。実行中の Chorelin も 1 秒ほどでそのデータを使い始めます。\n"
        "どのオプションも実行中の Chorelin と並べて使え、ウィンドウを開きません。"));
    // Help and version of our own: Qt's translation lacks the texts of its own help options.
    parser.addOption(
        QCommandLineOption({QStringLiteral("h"), QStringLiteral("help"), QStringLiteral("?")},
                           QStringLiteral("この説明を表示します。")));
    parser.addOption(QCommandLineOption({QStringLiteral("v"), QStringLiteral("version")},
                                        QStringLiteral("バージョンを表示します。")));
    parser.addPositionalArgument(
        QStringLiteral("NAME"),
        QStringLiteral("--history で: 実行履歴を表示するタスクの名前（省くとすべてのタスク）。"),
        QStringLiteral("[NAME]"));
    // Commands may share modifiers such as --json; each option is added once.
    const std::span<const Command> commands = allCommands();
    QStringList added;
    for (const Command& command : commands) {
        for (const QCommandLineOption& option : command.options()) {
            if (added.contains(option.names().constFirst()))
                continue;
            added << option.names().constFirst();
            parser.addOption(option);
        }
    }

    if (const QString word = singleDashWord(arguments); !word.isEmpty())
        return usageError(
            QStringLiteral("不明なオプションです: %1（長いオプションは「--」で始めます）。")
                .arg(word));
    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    // Printed here rather than by the parser, which would show a message box in a Windows
    // window program and pass the text through the ANSI code page.
    if (parser.isSet(QStringLiteral("help"))) {
        printOut(parser.helpText().toStdString());
        return 0;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        printOut((QCoreApplication::applicationName() + QLatin1Char(' ') +
                  QCoreApplication::applicationVersion() + QLatin1Char('\n'))
                     .toStdString());
        return 0;
    }

    const Command* chosen = nullptr;
    for (const Command& command : commands) {
        if (!parser.isSet(command.name))
            continue;
        if (chosen)
            return usageError(QStringLiteral("--%1 と --%2 は一緒に使えません。")
                                  .arg(chosen->name, command.name));
        chosen = &command;
    }
    if (!chosen)
        return usageError(QStringLiteral("コマンドがありません。--list、--history、--holidays、"
                                         "--import-holidays のどれかを指定してください。"));
    for (const QString& name : parser.optionNames()) {
        if (!takesOption(*chosen, name))
            return usageError(
                QStringLiteral("--%1 は --%2 と一緒には使えません。").arg(name, chosen->name));
    }
    const QStringList plain = parser.positionalArguments();
    if (plain.size() > chosen->mostArguments)
        return usageError(QStringLiteral("余分な引数です: %1")
                              .arg(plain.at(static_cast<qsizetype>(chosen->mostArguments))));
    return chosen->run(parser);
}

} // namespace cli
