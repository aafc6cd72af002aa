// --holidays YEAR [--json]: the holidays of a year that make a weekday a day off, with the name
// the source gives (none for the built-in table) and the source, as the calendar of a running
// Chorelin has them.

#include "cli/cli_output.h"
#include "cli/holiday_commands.h"

#include "engine/holiday_install.h"
#include "engine/holiday_sources.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace cli {
namespace {

// The source of a holiday as the text table names it; the JSON keeps holidaySourceKey().
QString sourceWord(HolidaySource source) {
    switch (source) {
    case HolidaySource::Builtin:
        return QStringLiteral("組み込み");
    case HolidaySource::File:
        return QStringLiteral("ファイル");
    case HolidaySource::Rules:
        return QStringLiteral("規則");
    default:
        return QString::fromUtf8(holidaySourceLabel(source));
    }
}

QString dateText(int32_t date, char separator) {
    return QString::asprintf("%04d%c%02d%c%02d", date / 10000, separator, date / 100 % 100,
                             separator, date % 100);
}

} // namespace

QList<QCommandLineOption> holidaysOptions() {
    return {QCommandLineOption(QStringLiteral("holidays"),
                               QStringLiteral("YEAR 年の祝日のうち月曜から金曜に当たるものを"
                                              "表示します: 日付、出典（組み込み、ファイル、"
                                              "規則、独自）、名称。"),
                               QStringLiteral("YEAR")),
            QCommandLineOption(QStringLiteral("json"),
                               QStringLiteral("--list、--history、--holidays の結果を JSON で出力"
                                              "します。"))};
}

int runHolidays(const QCommandLineParser& parser) {
    const QString given = parser.value(QStringLiteral("holidays"));
    bool isNumber = false;
    const int year = given.toInt(&isNumber);
    if (!isNumber || year < kCalendarFirstYear || year > kCalendarLastYear)
        return usageError(QStringLiteral("YEAR には %1 から %2 までの年を指定してください"
                                         "（「%3」は使えません）。")
                              .arg(kCalendarFirstYear)
                              .arg(kCalendarLastYear)
                              .arg(given));
    const HolidayFileState installed = MyHolidayReadInstalled(holidayFilePath());
    // The calendar of a running Chorelin does without a file it cannot use; so does this list.
    if (!installed.refusal.empty())
        printError(QString::fromStdString(installed.refusal));
    const HolidayFileState own = MyDaysOffReadInstalled(daysOffFilePath());
    if (!own.refusal.empty())
        printError(QString::fromStdString(own.refusal));
    const HolidaySources sources(installed.rows, own.rows);

    const bool json = parser.isSet(QStringLiteral("json"));
    QJsonArray array;
    std::string text = "日付\t出典\t名称\n";
    for (const Holiday& holiday : sources.holidaysOf(year)) {
        if (!isMondayToFriday(holiday.date))
            continue;
        const QString name = QString::fromStdString(holiday.name);
        if (json)
            array.append(QJsonObject{
                {"date", dateText(holiday.date, '-')},
                {"name", name.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(name)},
                {"source", QString::fromLatin1(holidaySourceKey(holiday.source))}});
        else
            text += dateText(holiday.date, '/').toStdString() + '\t' +
                    visibleText(sourceWord(holiday.source)) + '\t' + visibleText(name) + '\n';
    }
    if (json)
        printOut(QJsonDocument(array).toJson(QJsonDocument::Compact).toStdString() + '\n');
    else
        printOut(text);
    return 0;
}

} // namespace cli
