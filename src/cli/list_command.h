#pragma once
// chorelin --list [--json]: every task with its state, schedule, run time, next and last run,
// and the outcome of its last run from the history.

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>

namespace cli {

QList<QCommandLineOption> listOptions();
int runList(const QCommandLineParser& parser);

} // namespace cli
