#include "cli/command_line.h"

#include "cli/commands.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>
#include <span>
#include <string_view>

namespace cli {
namespace {

// Options that Qt's window platform takes itself, with one dash or two; they start the window.
constexpr std::string_view kQtWindowOptions[] = {"platform",
                                                 "platformpluginpath",
                                                 "platformtheme",
                                                 "plugin",
                                                 "qwindowgeometry",
                                                 "qwindowicon",
                                                 "qwindowtitle",
                                                 "reverse",
                                                 "session",
                                                 "display",
                                                 "geometry",
                                                 "style",
                                                 "stylesheet",
                                                 "widgetcount",
                                                 "nograb",
                                                 "dograb",
                                                 "sync",
                                                 "qmljsdebugger"};

bool isQtWindowOption(std::string_view name) {
    const size_t equals = name.find('=');
    if (equals != std::string_view::npos)
        name = name.substr(0, equals);
    for (std::string_view option : kQtWindowOptions) {
        if (name == option)
            return true;
    }
    return false;
}

int usageError(const QString& message) {
    QTextStream(stderr) << "chorelin: " << message << "\n"
                        << QCoreApplication::translate("cli", "Try 'chorelin --help'.") << "\n";
    return 2;
}

} // namespace

bool wantsCommand(int argc, char** argv) {
    if (argc < 2)
        return false;
    const std::string_view first = argv[1];
    if (first == "-h" || first == "-v" || first == "-?")
        return true;
    return first.size() > 2 && first.substr(0, 2) == "--" && !isQtWindowOption(first.substr(2));
}

int runCommand(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("chorelin"));
    QCoreApplication::setOrganizationName(QStringLiteral("Marrowby"));
    QCoreApplication::setApplicationVersion(QStringLiteral(CHORELIN_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Runs programs and opens documents at chosen dates and times. Without options it starts "
        "the window; the options below print what it holds and change nothing of a running "
        "instance."));
    parser.addHelpOption();
    parser.addVersionOption();
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

    if (!parser.parse(QCoreApplication::arguments()))
        return usageError(parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();

    const Command* chosen = nullptr;
    for (const Command& command : commands) {
        if (!parser.isSet(command.name))
            continue;
        if (chosen)
            return usageError(QStringLiteral("--%1 and --%2 cannot be combined.")
                                  .arg(chosen->name, command.name));
        chosen = &command;
    }
    if (!chosen)
        return usageError(QStringLiteral("no command given."));
    return chosen->run(parser);
}

} // namespace cli
