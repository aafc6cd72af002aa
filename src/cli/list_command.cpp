#include "cli/list_command.h"

#include "cli/cli_output.h"
#include "cli/live_state.h"
#include "cli/task_source.h"
#include "history/history_reader.h"
#include "history/run_text.h"
#include "store/fields.h"
#include "store/state_text.h"

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
                               QStringLiteral("すべてのタスクを表示します: 状態、スケジュール、"
                                              "実行時刻、次回・前回実行日、前回の結果。")),
            QCommandLineOption(QStringLiteral("json"),
                               QStringLiteral("--list、--history、--holidays の結果を JSON で出力"
                                              "します。"))};
}

int runList(const QCommandLineParser& parser) {
    TaskTable table;
    QString problem;
    if (!readTaskTable(table, problem))
        return failure(problem);

    std::map<std::string, history::RunRecord> lastRuns;
    if (const std::optional<history::HistoryPaths> paths = history::userHistoryPaths()) {
        history::HistoryReader reader(*paths);
        lastRuns = reader.lastRunPerTask();
        if (!reader.problem().empty())
            printError(QStringLiteral("chorelin: 実行履歴を読み込めません（%1）。")
                           .arg(QString::fromStdString(reader.problem())));
    }

    const auto lastRunOf = [&lastRuns](const std::string& name) -> const history::RunRecord* {
        const auto last = lastRuns.find(name);
        return last == lastRuns.end() ? nullptr : &last->second;
    };
    if (parser.isSet(QStringLiteral("json"))) {
        std::vector<JsonObject> objects;
        for (const TaskRecord& task : table.tasks) {
            const std::string name = recordText(fieldView(task.name));
            const history::RunRecord* last = lastRunOf(name);
            const int32_t state = liveState(task, last);
            JsonObject o;
            o.add("name", name)
                .add("state", int64_t{state})
                .add("stateText", std::string(stateText(state)))
                .add("schedule", recordText(fieldView(task.scheduleText)))
                .add("runTime", recordText(fieldView(task.runTime)))
                .add("startDate", isoDate(fieldView(task.startDateText)))
                .add("endDate", isoDate(fieldView(task.endDateText)))
                .add("lastRun", isoDate(fieldView(task.lastRunText)))
                .add("nextRun", isoDate(fieldView(task.nextRunText)))
                .add("registeredFile", recordText(fieldView(task.registeredFile)))
                .add("executableFile", recordText(fieldView(task.executableFile)))
                .add("lastRunOutcome",
                     last ? std::optional<std::string>(history::endingWord(last->ending))
                          : std::nullopt)
                .add("lastRunExitCode", last && last->exitCode
                                            ? std::optional<int64_t>(*last->exitCode)
                                            : std::nullopt);
            objects.push_back(o);
        }
        printOut(jsonArray(objects));
        return 0;
    }

    std::vector<std::vector<std::string>> rows;
    for (const TaskRecord& task : table.tasks) {
        const std::string name = recordText(fieldView(task.name));
        const history::RunRecord* last = lastRunOf(name);
        rows.push_back(
            {name, stateText(liveState(task, last)), recordText(fieldView(task.scheduleText)),
             recordText(fieldView(task.runTime)), displayDate(fieldView(task.nextRunText)),
             displayDate(fieldView(task.lastRunText)),
             last ? history::outcomeText(*last) : std::string()});
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
