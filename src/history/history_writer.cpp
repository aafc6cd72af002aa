#include "history/history_writer.h"

#include "history/history_schema.h"
#include "history/run_rows.h"

#include <algorithm>
#include <sqlite3.h>

namespace history {
namespace {

// Ids stay far below the end of their range, so that no sum of them can overflow.
constexpr int64_t kLastRunId = int64_t{1} << 62;

} // namespace

bool HistoryWriter::open() {
    WritableDatabase opened = openForWriting(files_);
    problem_ = opened.problem;
    movedTo_ = opened.movedTo;
    db_ = std::move(opened.db);
    return db_.isOpen();
}

int HistoryWriter::rollBack(int rc) {
    problem_ = db_.lastError();
    db_.exec("ROLLBACK");
    return rc;
}

int HistoryWriter::closeLostRuns() {
    if (!isOpen())
        return 0;
    Statement lost = db_.prepare("SELECT id, output FROM runs WHERE ending = 'running'");
    std::vector<std::pair<int64_t, std::string>> runs;
    while (lost.valid() && lost.step() == SQLITE_ROW)
        runs.emplace_back(lost.integer(0), lost.text(1));
    lost = Statement();
    if (runs.empty())
        return 0;
    int rc = db_.exec("BEGIN IMMEDIATE");
    Statement close =
        db_.prepare("UPDATE runs SET ending = 'lost', output_bytes = ?2 WHERE id = ?1");
    if (rc == SQLITE_OK && !close.valid())
        rc = db_.lastCode();
    for (size_t i = 0; rc == SQLITE_OK && i < runs.size(); ++i) {
        close.bind(1, runs[i].first);
        close.bind(2, std::max<int64_t>(files_.outputSize(runs[i].second), 0));
        rc = close.step() == SQLITE_DONE ? SQLITE_OK : db_.lastCode();
        close.reset();
    }
    close = Statement();
    if (rc == SQLITE_OK)
        rc = db_.exec("COMMIT");
    if (rc == SQLITE_OK)
        return static_cast<int>(runs.size());
    rollBack(rc);
    return 0;
}

int64_t HistoryWriter::reserveIds(int64_t count) {
    if (!isOpen())
        return 0;
    int rc = db_.exec("BEGIN IMMEDIATE");
    int64_t first = 0;
    if (rc == SQLITE_OK) {
        Statement next = db_.prepare("SELECT next FROM run_ids");
        rc = next.valid() && next.step() == SQLITE_ROW ? SQLITE_OK : db_.lastCode();
        if (rc == SQLITE_OK)
            first = next.integer(0);
    }
    if (rc == SQLITE_OK && (first <= 0 || first > kLastRunId - count)) {
        problem_ = "no run id is left";
        db_.exec("ROLLBACK");
        return 0;
    }
    if (rc == SQLITE_OK) {
        Statement take = db_.prepare("UPDATE run_ids SET next = ?1");
        take.bind(1, first + count);
        rc = take.valid() && take.step() == SQLITE_DONE ? SQLITE_OK : db_.lastCode();
    }
    if (rc == SQLITE_OK)
        rc = db_.exec("COMMIT");
    if (rc != SQLITE_OK) {
        rollBack(rc);
        return 0;
    }
    return first;
}

void HistoryWriter::returnIds(int64_t next, int64_t end) {
    if (!isOpen() || next >= end)
        return;
    Statement back = db_.prepare("UPDATE run_ids SET next = ?1 WHERE next = ?2");
    back.bind(1, next);
    back.bind(2, end);
    if (back.valid())
        back.step();
}

void HistoryWriter::keepIdsFrom(int64_t end) {
    Statement raise = db_.prepare("UPDATE run_ids SET next = ?1 WHERE next < ?1");
    raise.bind(1, end);
    if (raise.valid())
        raise.step();
}

int HistoryWriter::writeOnce(const std::vector<RunRecord>& runs) {
    int rc = db_.exec("BEGIN IMMEDIATE");
    if (rc != SQLITE_OK) {
        problem_ = db_.lastError();
        return rc;
    }
    for (size_t i = 0; rc == SQLITE_OK && i < runs.size(); ++i) {
        const RunRecord& run = runs[i];
        const std::string name =
            run.outputPath.empty() ? std::string() : HistoryPaths::outputName(run.id);
        rc = storeRun(db_, run, name);
    }
    if (rc == SQLITE_OK)
        rc = db_.exec("COMMIT");
    return rc == SQLITE_OK ? rc : rollBack(rc);
}

HistoryWriter::Outcome HistoryWriter::write(std::vector<RunRecord>& runs) {
    for (RunRecord& run : runs) {
        if (run.ending == RunEnding::Running || run.outputPath.empty())
            continue;
        const std::string name = HistoryPaths::outputName(run.id);
        run.outputBytes = std::max<int64_t>(files_.outputSize(name), 0);
        if (run.ending == RunEnding::Failed && run.outputBytes == 0) {
            files_.removeOutput(name);
            run.outputPath.clear();
        }
    }
    if (!isOpen())
        return Outcome::Broken;
    int rc = writeOnce(runs);
    if (rc == SQLITE_OK)
        return Outcome::Written;
    if (!isCorruption(rc) && !isCorruption(db_.lastCode()))
        return Outcome::Transient;
    db_.close();
    if (!open())
        return Outcome::Broken;
    rc = writeOnce(runs);
    if (rc == SQLITE_OK)
        return Outcome::Written;
    return isCorruption(rc) ? Outcome::Broken : Outcome::Transient;
}

PruneResult HistoryWriter::prune(const RetentionLimits& limits, bool orphans) {
    if (!isOpen())
        return PruneResult{};
    PruneResult result = history::prune(db_, files_, limits, orphans);
    if (!result.ok)
        problem_ = db_.lastError();
    return result;
}

} // namespace history
