#pragma once
// A run as a row of the table "runs": the one place that knows the columns.

#include "history/history_paths.h"
#include "history/run_record.h"
#include "history/sqlite_db.h"

namespace history {

// The columns a query selects for runFromRow(), in its order.
extern const char* const kRunColumns;

// The run of the current row of a query that selected kRunColumns; its output path resolved
// against the history folder.
RunRecord runFromRow(const Statement& row, const HistoryPaths& paths);

// Writes the whole run, replacing an earlier row of the same id. `outputName` is the stored
// (relative) name of its output file, or empty. The SQLite result code.
int storeRun(Database& db, const RunRecord& run, const std::string& outputName);

} // namespace history
