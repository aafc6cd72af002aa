#include "cli/history_command.h"

#include "cli/cli_output.h"
#include "cli/task_source.h"
#include "history/history_reader.h"
#include "history/run_text.h"
#include "store/fields.h"

namespace cli {
namespace {

constexpr int kDefaultLimit = 20;
constexpr int kMostLimit = 100000;

std::optional<std::string> isoTime(std::optional<int64_t> ms) {
    if (!ms)
        return std::nullopt;
    return history::isoLocalTime(*ms);
}

JsonObject runObject(const history::RunRecord& run) {
    JsonObject o;
    o.add("id", run.id)
        .add("task", run.task)
        .add("trigger", std::string(history::triggerWord(run.trigger)))
        .add("due", isoTime(run.dueMs))
        .add("start", isoTime(run.startMs))
        .add("end", isoTime(run.endMs))
        .add("launch", std::string(run.launched ? "started" : "failed"))
        .add("outcome", std::string(history::endingWord(run.ending)))
        .add("exitCode", run.exitCode ? std::optional<int64_t>(*run.exitCode) : std::nullopt)
        .add("signal", run.signal ? std::optional<std::string>(history::signalName(*run.signal))
                                  : std::nullopt)
        .add("error", run.launched ? std::nullopt : std::optional<std::string>(run.error))
        .add("errorCode", run.launched || run.errorCode.empty()
                              ? std::nullopt
                              : std::optional<std::string>(run.errorCode))
        .add("output",
             run.outputPath.empty() ? std::nullopt : std::optional<std::string>(run.outputPath))
        .add("outputBytes", run.outputBytes);
    return o;
}

// The task's name as the history keeps it: a task of the table whose name matches ignoring the
// case of ASCII letters (as the window compares names) gives its own spelling.
std::string canonicalName(const std::string& asked, const TaskTable& table) {
    for (const TaskRecord& task : table.tasks) {
        const std::string name = recordText(fieldView(task.name));
        if (equalsIgnoringAsciiCase(name, asked))
            return name;
    }
    return asked;
}

bool knownTask(const std::string& name, const TaskTable& table) {
    for (const TaskRecord& task : table.tasks) {
        if (recordText(fieldView(task.name)) == name)
            return true;
    }
    return false;
}

} // namespace

QList<QCommandLineOption> historyOptions() {
    return {QCommandLineOption(QStringLiteral("history"),
                               QStringLiteral("タスク NAME の実行履歴を新しい順に表示します"
                                              "（NAME を省くとすべてのタスク）。")),
            QCommandLineOption(QStringLiteral("limit"),
                               QStringLiteral("--history で表示する実行の数の上限（既定 20）。"),
                               QStringLiteral("N")),
            QCommandLineOption(QStringLiteral("json"),
                               QStringLiteral("--list、--history、--holidays の結果を JSON で出力"
                                              "します。"))};
}

int runHistory(const QCommandLineParser& parser) {
    const QStringList names = parser.positionalArguments();
    int limit = kDefaultLimit;
    if (parser.isSet(QStringLiteral("limit"))) {
        bool ok = false;
        limit = parser.value(QStringLiteral("limit")).toInt(&ok);
        if (!ok || limit < 1 || limit > kMostLimit)
            return usageError(QStringLiteral("--limit には 1 から %1 までの整数を指定してください"
                                             "（「%2」は使えません）。")
                                  .arg(kMostLimit)
                                  .arg(parser.value(QStringLiteral("limit"))));
    }
    const std::optional<history::HistoryPaths> paths = history::userHistoryPaths();
    if (!paths)
        return failure(
            QStringLiteral("実行履歴の場所がわかりません（HOME が設定されていません）。"));
    history::HistoryReader reader(*paths);

    std::vector<history::RunRecord> runs;
    const bool oneTask = !names.isEmpty();
    if (oneTask) {
        TaskTable table;
        QString problem;
        readTaskTable(table, problem); // only for the name; the history is read all the same
        const std::string name = canonicalName(names.front().toStdString(), table);
        runs = reader.runsOfTask(name, limit);
        if (runs.empty() && reader.problem().empty() && !knownTask(name, table))
            return usageError(
                QStringLiteral("「%1」という名前のタスクはありません。").arg(names.front()));
    } else {
        runs = reader.recentRuns(limit);
    }
    if (!reader.problem().empty())
        return failure(QStringLiteral("実行履歴を読み込めません（%1）。")
                           .arg(QString::fromStdString(reader.problem())));

    if (parser.isSet(QStringLiteral("json"))) {
        std::vector<JsonObject> objects;
        for (const history::RunRecord& run : runs)
            objects.push_back(runObject(run));
        printOut(jsonArray(objects));
        return 0;
    }
    std::vector<std::vector<std::string>> rows;
    for (const history::RunRecord& run : runs) {
        std::vector<std::string> row{std::to_string(run.id)};
        if (!oneTask)
            row.push_back(run.task);
        row.push_back(history::localTimeText(run.startMs));
        row.push_back(run.endMs ? history::localTimeText(*run.endMs) : std::string());
        row.push_back(history::durationText(run.startMs, run.endMs));
        row.push_back(history::triggerText(run.trigger));
        row.push_back(history::outcomeText(run));
        rows.push_back(std::move(row));
    }
    if (rows.empty()) {
        printOut("実行履歴はありません。\n");
        return 0;
    }
    std::vector<std::string> header{"ID"};
    if (!oneTask)
        header.push_back("タスク");
    for (const char* column : {"開始", "終了", "所要時間", "起動", "結果"})
        header.push_back(column);
    printOut(textTable(header, rows));
    return 0;
}

} // namespace cli
