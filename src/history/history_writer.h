#pragma once
// The database side of the history's writer thread: every SQLite write happens here, on that
// one thread, in transactions.

#include "history/history_files.h"
#include "history/retention.h"
#include "history/run_record.h"
#include "history/sqlite_db.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace history {

class HistoryWriter {
public:
    // `tell` hears of files moved aside (see HistoryFiles).
    HistoryWriter(std::unique_ptr<platform::TrustedFolder> root,
                  std::function<void(const std::string&)> tell)
        : files_(std::move(root), std::move(tell)) {}

    // Opens (or creates) the database; a damaged one is moved aside and a new one started.
    // False when there will be no history (problem() says why).
    bool open();
    bool isOpen() const { return db_.isOpen(); }
    const std::string& problem() const { return problem_; }
    // Where a damaged database was put aside by the last open(), or empty.
    const std::string& movedTo() const { return movedTo_; }
    // The folders; its output files may be made from any thread.
    HistoryFiles& files() { return files_; }

    // Start-up: runs that a Chorelin which stopped or crashed left running become lost.
    // How many did.
    int closeLostRuns();

    // Takes `count` run ids that no run has had or will have, in one transaction: the first of
    // them, or 0 when the database refused (problem() says why).
    int64_t reserveIds(int64_t count);
    // Gives back the unused ids [next, end) when nobody took any after them.
    void returnIds(int64_t next, int64_t end);
    // A database started anew after a damaged one was moved aside hands out no id below `end`
    // (ids this instance already gave its output files).
    void keepIdsFrom(int64_t end);

    enum class Outcome {
        Written,
        Transient, // busy, locked, full, an I/O error: nothing was written, try again later
        Broken,    // the database is gone for good (problem() says why)
    };
    // Writes the runs (whole rows, replacing earlier states of the same runs) in one
    // transaction. Ended runs get their output's size; a start that failed leaves no empty
    // output file behind. When the database turned out damaged it is moved aside, a new one
    // started and the write tried once more.
    Outcome write(std::vector<RunRecord>& runs);

    PruneResult prune(const RetentionLimits& limits, bool orphans);

private:
    int writeOnce(const std::vector<RunRecord>& runs);
    // Ends a transaction that failed with `rc`, keeping the message of what failed (not that
    // of the rollback).
    int rollBack(int rc);

    HistoryFiles files_;
    Database db_;
    std::string problem_;
    std::string movedTo_;
};

} // namespace history
