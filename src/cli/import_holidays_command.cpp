// --import-holidays FILE: checks a holiday file and installs it as holidays.csv beside the
// settings, exactly as the menu command does. A running Chorelin notices the new copy within a
// second and puts it in force; one that is not running takes it at its next start.

#include "cli/cli_output.h"
#include "cli/holiday_commands.h"

#include "engine/holiday_install.h"

#include <QFileInfo>

namespace cli {

QList<QCommandLineOption> importHolidaysOptions() {
    return {QCommandLineOption(QStringLiteral("import-holidays"),
                               QStringLiteral("祝日ファイル FILE（内閣府の syukujitsu.csv の形式）"
                                              "を確かめて、祝日データとして取り込みます。実行中の "
                                              "Chorelin も 1 秒ほどでそのデータを使い始めます。"),
                               QStringLiteral("FILE"))};
}

int runImportHolidays(const QCommandLineParser& parser) {
    const QString given = parser.value(QStringLiteral("import-holidays"));
    if (given.isEmpty())
        return usageError(QStringLiteral("--import-holidays には祝日ファイルを指定してください。"));
    const std::string path = QFileInfo(given).absoluteFilePath().toStdString();
    const HolidayCsv csv = MyHolidayCheckFile(path);
    std::string failure = csv.refusal;
    if (failure.empty())
        failure = MyHolidayWriteCopy(csv, holidayFilePath());
    // A copy that the program would not believe where it lies is no installed holiday data.
    if (failure.empty())
        failure = MyHolidayReadInstalled(holidayFilePath()).refusal;
    if (!failure.empty()) {
        printError(QString::fromStdString(failure));
        return 1;
    }
    printOut(visibleText("祝日データを読み込みました。\n\n" +
                             holidayRangesText(HolidaySources(csv.rows)) + "\n",
                         u"\n\t"));
    return 0;
}

} // namespace cli
