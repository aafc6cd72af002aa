#include "history/made_up_query.h"

#include "history/run_record.h"
#include "history/sqlite_db.h"
#include "platform/files.h"

#include <sqlite3.h>
#include <string>

namespace history {

bool catchUpRunRecorded(const HistoryPaths& paths, std::string_view task, int64_t dueMs) {
    const std::string database = paths.database();
    // Only a regular file: SQLite's own open would wait forever on a FIFO put there.
    if (platform::entryKind(database) != platform::EntryKind::RegularFile)
        return false;
    Database db;
    if (db.open(database, Database::Mode::ReadOnly) != SQLITE_OK)
        return false;
    Statement query =
        db.prepare("SELECT 1 FROM runs WHERE task = ?1 AND trigger = ?2 AND due_ms = ?3 LIMIT 1");
    if (!query.valid())
        return false;
    query.bind(1, task);
    query.bind(2, triggerWord(RunTrigger::CatchUp));
    query.bind(3, dueMs);
    return query.step() == SQLITE_ROW;
}

} // namespace history
