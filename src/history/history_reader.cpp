#include "history/history_reader.h"

#include "history/run_rows.h"
#include "platform/files.h"

#include <sqlite3.h>

namespace history {

HistoryReader::HistoryReader(HistoryPaths paths) : paths_(std::move(paths)) {
    // Only a regular file: SQLite's own open would wait forever on a FIFO put there.
    const platform::EntryKind kind = platform::entryKind(paths_.database());
    if (kind == platform::EntryKind::Missing)
        return;
    if (kind != platform::EntryKind::RegularFile) {
        problem_ = paths_.database() + ": not a regular file";
        return;
    }
    const int rc = db_.open(paths_.database(), Database::Mode::ReadOnly);
    if (rc != SQLITE_OK)
        problem_ = paths_.database() + ": " + sqlite3_errstr(rc);
}

std::vector<RunRecord> HistoryReader::query(const std::string& sql,
                                            std::optional<std::string_view> task,
                                            std::optional<int64_t> number) {
    std::vector<RunRecord> runs;
    if (!isOpen())
        return runs;
    Statement statement = db_.prepare(sql.c_str());
    if (!statement.valid()) {
        // A file that is no database yet (the writer has just made it) has no table either.
        if (db_.lastError().find("no such table") == std::string::npos)
            problem_ = db_.lastError();
        return runs;
    }
    int index = 1;
    if (task)
        statement.bind(index++, *task);
    if (number)
        statement.bind(index, *number);
    int rc = SQLITE_ROW;
    while ((rc = statement.step()) == SQLITE_ROW)
        runs.push_back(runFromRow(statement, paths_));
    if (rc != SQLITE_DONE)
        problem_ = db_.lastError();
    return runs;
}

std::vector<RunRecord> HistoryReader::runsOfTask(std::string_view task, int limit) {
    return query(std::string("SELECT ") + kRunColumns +
                     " FROM runs WHERE task = ?1 ORDER BY id DESC LIMIT ?2",
                 task, limit);
}

std::vector<RunRecord> HistoryReader::recentRuns(int limit) {
    return query(std::string("SELECT ") + kRunColumns + " FROM runs ORDER BY id DESC LIMIT ?1",
                 std::nullopt, limit);
}

std::map<std::string, RunRecord> HistoryReader::lastRunPerTask() {
    std::map<std::string, RunRecord> last;
    for (RunRecord& run :
         query(std::string("SELECT ") + kRunColumns +
                   " FROM runs WHERE id IN (SELECT MAX(id) FROM runs GROUP BY task)",
               std::nullopt, std::nullopt)) {
        std::string task = run.task;
        last.emplace(std::move(task), std::move(run));
    }
    return last;
}

std::optional<RunRecord> HistoryReader::run(int64_t runId) {
    std::vector<RunRecord> runs = query(
        std::string("SELECT ") + kRunColumns + " FROM runs WHERE id = ?1", std::nullopt, runId);
    if (runs.empty())
        return std::nullopt;
    return std::move(runs.front());
}

} // namespace history
