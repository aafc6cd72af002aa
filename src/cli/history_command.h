#pragma once
// chorelin --history [NAME] [--limit N] [--json]: runs newest first, of one task or of all.

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>

namespace cli {

QList<QCommandLineOption> historyOptions();
int runHistory(const QCommandLineParser& parser);

} // namespace cli
