#pragma once
// How much history is kept: the newest runs of each task name, and the newest output files up
// to a total size. Older rows go with their files; beyond the size limit only the files go,
// and their rows say so.

#include "history/history_files.h"
#include "history/sqlite_db.h"

#include <cstdint>

namespace history {

struct RetentionLimits {
    int runsPerTask = 100;
    int64_t outputBytes = int64_t{200} << 20;
};

struct PruneResult {
    int rowsRemoved = 0;
    int filesRemoved = 0;
    bool ok = true; // false: the database refused the change (nothing was removed)
    int code = 0;   // the SQLite result code when not ok
};

// Removes what the limits leave no room for. Runs still running are never touched. With
// `orphans`, output files that no row names are removed too (only safe before any run of
// this session has been prepared).
PruneResult prune(Database& db, const HistoryFiles& files, const RetentionLimits& limits,
                  bool orphans);

// The note a row gets when its output file was removed for the size limit.
extern const char* const kOutputRemovedNote;

} // namespace history
