#pragma once
// The table of command-line commands. Each command lives in a file of its own and names the
// options it takes; the first option is the command itself, the others its modifiers.

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <span>

namespace cli {

struct Command {
    QString name;                           // the long option that selects the command
    QList<QCommandLineOption> (*options)(); // the command's option and its modifiers
    int (*run)(const QCommandLineParser&);  // the exit code: 0, 1 failed, 2 bad usage
    int mostArguments = 0;                  // plain arguments it takes (--history: its NAME)
};

// Every command, in the order --help lists them.
std::span<const Command> allCommands();

} // namespace cli
