#include "cli/list_command.h"

#include "cli/cli_output.h"
#include "cli/task_source.h"
#include "history/history_reader.h"
#include "history/run_text.h"
#include "store/fields.h"
#include "store/state_text.h"

#include <QTextStream>
#include <map>

namespace cli {
namespace {

// "2024/05/10" of a record as "2024-05-10"; nothing for an empty or malformed text.
std::optional<std::string> isoDate(std::string_view recordDate) {
    const std::string text(recordDate);
    if (text.size() != 10 || text[4] != '/' || text[7] != '/')
        return std::nullopt;
    std::string iso = text;
    iso[4] = '-';
    iso[7] = '-';
    return iso;
}

std::string displayDate(std::string_view recordDate) {
    return recordText(recordDate);
}

} // namespace

QList<QCommandLineOption> listOptions() {
    return {QCommandLineOption(QStringLiteral("list"),
                               QStringLiteral("Print every task: state, schedule, run time, next "
                                              "and last run, and the last run's outcome.")),
            QCommandLineOption(QStringLiteral("json"),
                               QStringLiteral("With --list, --history or --holidays: JSON."))};
}

int runList(const QCommandLineParser& parser) {
    if (!parser.positionalArguments().isEmpty())
        return usageError(QStringLiteral("--list takes no task name."));
    if (parser.isSet(QStringLiteral("limit")))
        return usageError(QStringLiteral("--limit goes with --history only."));
    TaskTable table;
    QString problem;
    if (!readTaskTable(table, problem))
        return failure(problem);

    std::map<std::string, history::RunRecord> lastRuns;
    if (const std::optional<history::HistoryPaths> paths = history::userHistoryPaths()) {
        history::HistoryReader reader(*paths);
        lastRuns = reader.lastRunPerTask();
        if (!reader.problem().empty())
            QTextStream(stderr) << "chorelin: the run history cannot be read ("
                                << QString::fromStdString(reader.problem()) << ").\n";
    }

    if (parser.isSet(QStringLiteral("json"))) {
        std::vector<JsonObject> objects;
        for (const TaskRecord& task : table.tasks) {
            JsonObject o;
            o.add("name", recordText(fieldView(task.name)))
                .add("state", int64_t{task.state})
                .add("stateText", std::string(stateText(task.state)))
                .add("schedule", recordText(fieldView(task.scheduleText)))
                .add("runTime", recordText(fieldView(task.runTime)))
                .add("startDate", isoDate(fieldView(task.startDateText)))
                .add("endDate", isoDate(fieldView(task.endDateText)))
                .add("lastRun", isoDate(fieldView(task.lastRunText)))
                .add("nextRun", isoDate(fieldView(task.nextRunText)))
                .add("registeredFile", recordText(fieldView(task.registeredFile)))
                .add("executableFile", recordText(fieldView(task.executableFile)));
            objects.push_back(o);
        }
        printOut(jsonArray(objects));
        return 0;
    }

    std::vector<std::vector<std::string>> rows;
    for (const TaskRecord& task : table.tasks) {
        const std::string name = recordText(fieldView(task.name));
        const auto last = lastRuns.find(name);
        rows.push_back(
            {name, stateText(task.state), recordText(fieldView(task.scheduleText)),
             recordText(fieldView(task.runTime)), displayDate(fieldView(task.nextRunText)),
             displayDate(fieldView(task.lastRunText)),
             last == lastRuns.end() ? std::string() : history::outcomeText(last->second)});
    }
    if (rows.empty()) {
        printOut("タスクは登録されていません。\n");
        return 0;
    }
    printOut(textTable(
        {"名前", "状態", "スケジュール", "実行時刻", "次回実行日", "前回実行日", "前回の結果"},
        rows));
    return 0;
}

} // namespace cli
