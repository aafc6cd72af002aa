// --holidays YEAR [--json]: the holidays of a year that make a weekday a day off, with the name
// the source gives (none for the built-in table) and the source, as the calendar of a running
// Chorelin has them.

#include "cli/holiday_commands.h"

#include "engine/holiday_install.h"
#include "engine/holiday_sources.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

namespace cli {

QList<QCommandLineOption> holidaysOptions() {
    return {QCommandLineOption(QStringLiteral("holidays"),
                               QStringLiteral("Print the holidays of YEAR that fall on Monday to "
                                              "Friday: date, source (builtin, file, rules or own) "
                                              "and name."),
                               QStringLiteral("YEAR")),
            QCommandLineOption(QStringLiteral("json"),
                               QStringLiteral("With --list, --history or --holidays: JSON."))};
}

int runHolidays(const QCommandLineParser& parser) {
    bool isNumber = false;
    const int year = parser.value(QStringLiteral("holidays")).toInt(&isNumber);
    if (!isNumber || year < kCalendarFirstYear || year > kCalendarLastYear) {
        QTextStream(stderr) << "chorelin: YEAR must be a year from " << kCalendarFirstYear << " to "
                            << kCalendarLastYear << ".\n"
                            << "Try 'chorelin --help'.\n";
        return 2;
    }
    const HolidayFileState installed = MyHolidayReadInstalled(holidayFilePath());
    // The calendar of a running Chorelin does without a file it cannot use; so does this list.
    if (!installed.refusal.empty())
        QTextStream(stderr) << QString::fromStdString(installed.refusal) << "\n";
    const HolidayFileState own = MyDaysOffReadInstalled(daysOffFilePath());
    if (!own.refusal.empty())
        QTextStream(stderr) << QString::fromStdString(own.refusal) << "\n";
    const HolidaySources sources(installed.rows, own.rows);

    QJsonArray array;
    QTextStream out(stdout);
    for (const Holiday& holiday : sources.holidaysOf(year)) {
        if (!isMondayToFriday(holiday.date))
            continue;
        const QString date = QString::asprintf("%04d-%02d-%02d", holiday.date / 10000,
                                               holiday.date / 100 % 100, holiday.date % 100);
        const QString source = QString::fromLatin1(holidaySourceKey(holiday.source));
        const QString name = QString::fromStdString(holiday.name);
        if (parser.isSet(QStringLiteral("json")))
            array.append(QJsonObject{{"date", date}, {"name", name}, {"source", source}});
        else
            out << date << '\t' << source << '\t' << name << '\n';
    }
    if (parser.isSet(QStringLiteral("json")))
        out << QJsonDocument(array).toJson(QJsonDocument::Compact) << '\n';
    return 0;
}

} // namespace cli
