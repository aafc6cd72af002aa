#pragma once
// The holiday commands of the command line:
//   --holidays YEAR [--json]  the holidays of YEAR that make a weekday a day off
//   --import-holidays FILE    checks FILE and installs it as the menu command does

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>

namespace cli {

QList<QCommandLineOption> holidaysOptions();
int runHolidays(const QCommandLineParser& parser);

QList<QCommandLineOption> importHolidaysOptions();
int runImportHolidays(const QCommandLineParser& parser);

} // namespace cli
