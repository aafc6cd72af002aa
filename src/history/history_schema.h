#pragma once
// Opening the history database for the writing instance: the files checked to be private,
// a damaged file moved aside for a new one, WAL journaling, and the schema brought up to the
// version this program knows (PRAGMA user_version), one step at a time.

#include "history/history_files.h"
#include "history/sqlite_db.h"

#include <string>

namespace history {

// The schema version this program writes.
inline constexpr int kSchemaVersion = 3;

struct WritableDatabase {
    Database db;         // open when the history can be written
    std::string problem; // why not, for the one message the user gets
    std::string movedTo; // where a damaged database was put aside, when it was
};

WritableDatabase openForWriting(HistoryFiles& files);

// Brings an open database from its user_version up to kSchemaVersion. False when a step fails
// or the database is of a newer version than this program knows (`problem` says which).
bool migrate(Database& db, std::string& problem);

} // namespace history
