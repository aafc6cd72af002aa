// --import-holidays FILE: checks a holiday file and installs it as holidays.csv beside the
// settings, exactly as the menu command does. A running Chorelin notices the new copy within a
// second and puts it in force; one that is not running takes it at its next start.

#include "cli/holiday_commands.h"

#include "engine/holiday_install.h"

#include <QFileInfo>
#include <QTextStream>

namespace cli {

QList<QCommandLineOption> importHolidaysOptions() {
    return {QCommandLineOption(QStringLiteral("import-holidays"),
                               QStringLiteral("Check FILE, a holiday file in the Cabinet "
                                              "Office's form (syukujitsu.csv), and install it "
                                              "as the holiday data."),
                               QStringLiteral("FILE"))};
}

int runImportHolidays(const QCommandLineParser& parser) {
    const std::string path =
        QFileInfo(parser.value(QStringLiteral("import-holidays"))).absoluteFilePath().toStdString();
    const HolidayCsv csv = MyHolidayCheckFile(path);
    std::string failure = csv.refusal;
    if (failure.empty())
        failure = MyHolidayWriteCopy(csv, holidayFilePath());
    // A copy that the program would not believe where it lies is no installed holiday data.
    if (failure.empty())
        failure = MyHolidayReadInstalled(holidayFilePath()).refusal;
    if (!failure.empty()) {
        QTextStream(stderr) << QString::fromStdString(failure) << "\n";
        return 1;
    }
    QTextStream(stdout) << QString::fromStdString("祝日データを読み込みました。\n\n" +
                                                  holidayRangesText(HolidaySources(csv.rows)))
                        << "\n";
    return 0;
}

} // namespace cli
