#pragma once
// Reading the history: for the history dialog and the command line. Opens the database read
// only, so it is safe beside the writing instance (WAL) and changes nothing; a history that
// does not exist yet reads as empty.

#include "history/history_paths.h"
#include "history/run_record.h"
#include "history/sqlite_db.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace history {

class HistoryReader {
public:
    explicit HistoryReader(HistoryPaths paths);

    bool isOpen() const { return db_.isOpen(); }
    // Why an existing history could not be read; empty when it was read or does not exist.
    const std::string& problem() const { return problem_; }

    // The runs of one task name, newest first, at most `limit`.
    std::vector<RunRecord> runsOfTask(std::string_view task, int limit);
    // The runs of every task, newest first, at most `limit`.
    std::vector<RunRecord> recentRuns(int limit);
    // The newest run of each task name.
    std::map<std::string, RunRecord> lastRunPerTask();
    std::optional<RunRecord> run(int64_t runId);

private:
    std::vector<RunRecord> query(const std::string& sql, std::optional<std::string_view> task,
                                 std::optional<int64_t> number);

    HistoryPaths paths_;
    Database db_;
    std::string problem_;
};

} // namespace history
