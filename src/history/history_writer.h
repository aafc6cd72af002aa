#pragma once
// The database side of the history's writer thread: every SQLite write happens here, on that
// one thread, in transactions.

#include "history/history_paths.h"
#include "history/retention.h"
#include "history/run_record.h"
#include "history/sqlite_db.h"

#include <string>
#include <vector>

namespace history {

class HistoryWriter {
public:
    explicit HistoryWriter(HistoryPaths paths) : paths_(std::move(paths)) {}

    // Opens (or creates) the database; a damaged one is moved aside and a new one started.
    // False when there will be no history (problem() says why).
    bool open();
    bool isOpen() const { return db_.isOpen(); }
    const std::string& problem() const { return problem_; }
    // Where a damaged database was put aside by the last open(), or empty.
    const std::string& movedTo() const { return movedTo_; }

    // Start-up: runs that a Chorelin which stopped or crashed left running become lost.
    // How many did.
    int closeLostRuns();
    // The highest run id in use, in the rows or among the output files.
    int64_t highestRunId();

    // Writes the runs (whole rows, replacing earlier states of the same runs) in one
    // transaction. Ended runs get their output's size; a start that failed leaves no empty
    // output file behind. False when the write failed (problem() says why); when the
    // database turned out damaged it is moved aside, a new one started and the write tried
    // once more.
    bool write(std::vector<RunRecord>& runs);

    PruneResult prune(const RetentionLimits& limits, bool orphans);

private:
    int writeOnce(const std::vector<RunRecord>& runs);

    HistoryPaths paths_;
    Database db_;
    std::string problem_;
    std::string movedTo_;
};

} // namespace history
