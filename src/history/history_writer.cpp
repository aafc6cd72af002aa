#include "history/history_writer.h"

#include "history/history_schema.h"
#include "history/run_rows.h"
#include "platform/state_files.h"

#include <algorithm>
#include <filesystem>
#include <sqlite3.h>
#include <unistd.h>

namespace history {

bool HistoryWriter::open() {
    WritableDatabase opened = openForWriting(paths_);
    problem_ = opened.problem;
    movedTo_ = opened.movedTo;
    db_ = std::move(opened.db);
    return db_.isOpen();
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
    db_.exec("BEGIN IMMEDIATE");
    Statement close =
        db_.prepare("UPDATE runs SET ending = 'lost', output_bytes = ?2 WHERE id = ?1");
    int rc = close.valid() ? SQLITE_OK : db_.lastCode();
    for (size_t i = 0; rc == SQLITE_OK && i < runs.size(); ++i) {
        close.bind(1, runs[i].first);
        close.bind(2,
                   std::max<int64_t>(platform::privateFileSize(paths_.resolve(runs[i].second)), 0));
        rc = close.step() == SQLITE_DONE ? SQLITE_OK : db_.lastCode();
        close.reset();
    }
    close = Statement();
    if (rc == SQLITE_OK && db_.exec("COMMIT") == SQLITE_OK)
        return static_cast<int>(runs.size());
    problem_ = db_.lastError();
    db_.exec("ROLLBACK");
    return 0;
}

int64_t HistoryWriter::highestRunId() {
    int64_t highest =
        isOpen() ? db_.queryInt("SELECT IFNULL(MAX(id), 0) FROM runs").value_or(0) : 0;
    // Files outlive a database that was moved aside: a new run must never write into one.
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(paths_.outputFolder(), ec)) {
        if (const std::optional<int64_t> id = runIdOfOutputName(entry.path().filename().string()))
            highest = std::max(highest, *id);
    }
    return highest;
}

int HistoryWriter::writeOnce(const std::vector<RunRecord>& runs) {
    int rc = db_.exec("BEGIN IMMEDIATE");
    for (size_t i = 0; rc == SQLITE_OK && i < runs.size(); ++i) {
        const RunRecord& run = runs[i];
        const std::string name =
            run.outputPath.empty() ? std::string() : HistoryPaths::outputName(run.id);
        rc = storeRun(db_, run, name);
    }
    if (rc == SQLITE_OK)
        rc = db_.exec("COMMIT");
    if (rc != SQLITE_OK)
        db_.exec("ROLLBACK");
    return rc;
}

bool HistoryWriter::write(std::vector<RunRecord>& runs) {
    for (RunRecord& run : runs) {
        if (run.ending == RunEnding::Running || run.outputPath.empty())
            continue;
        run.outputBytes = std::max<int64_t>(platform::privateFileSize(run.outputPath), 0);
        if (run.ending == RunEnding::Failed && run.outputBytes == 0) {
            ::unlink(run.outputPath.c_str());
            run.outputPath.clear();
        }
    }
    if (!isOpen())
        return false;
    int rc = writeOnce(runs);
    if (rc == SQLITE_OK)
        return true;
    problem_ = db_.lastError();
    if (!isCorruption(rc) && !isCorruption(db_.lastCode()))
        return false;
    db_.close();
    if (!open())
        return false;
    rc = writeOnce(runs);
    if (rc != SQLITE_OK)
        problem_ = db_.lastError();
    return rc == SQLITE_OK;
}

PruneResult HistoryWriter::prune(const RetentionLimits& limits, bool orphans) {
    if (!isOpen())
        return PruneResult{};
    PruneResult result = history::prune(db_, paths_, limits, orphans);
    if (!result.ok)
        problem_ = db_.lastError();
    return result;
}

} // namespace history
