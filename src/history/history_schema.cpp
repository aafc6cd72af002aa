#include "history/history_schema.h"

#include "history/history_files.h"
#include "platform/files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sqlite3.h>

namespace history {
namespace {

// Step n takes a database of version n-1 to version n. Steps are never changed once shipped;
// a change of the schema is a new step.
constexpr const char* kSteps[] = {
    // 1: one row per start attempt.
    "CREATE TABLE runs ("
    "  id INTEGER PRIMARY KEY,"
    "  task TEXT NOT NULL,"
    "  registered_file TEXT NOT NULL,"
    "  program TEXT NOT NULL,"
    "  trigger TEXT NOT NULL,"
    "  due_ms INTEGER,"
    "  start_ms INTEGER NOT NULL,"
    "  launch TEXT NOT NULL,"
    "  error TEXT,"
    "  pid INTEGER,"
    "  end_ms INTEGER,"
    "  exit_code INTEGER,"
    "  signal INTEGER,"
    "  ending TEXT NOT NULL,"
    "  output TEXT,"
    "  output_note TEXT,"
    "  output_bytes INTEGER NOT NULL DEFAULT 0"
    ");"
    "CREATE INDEX runs_by_task ON runs (task, id);"
    "CREATE INDEX runs_by_ending ON runs (ending);",
    // 2: run ids handed out by the database and never again, whatever rows or files there
    // are. An id from an older version that is out of range (or not positive) is passed over.
    "CREATE TABLE run_ids (next INTEGER NOT NULL CHECK (typeof(next) = 'integer' AND next > 0));"
    "INSERT INTO run_ids (next) SELECT IFNULL(MAX(id), 0) + 1 FROM runs WHERE id > 0 AND id < "
    "4611686018427387904;",
    // 3: the symbolic error name of a failed start, beside its text.
    "ALTER TABLE runs ADD COLUMN error_code TEXT;",
};
static_assert(std::size(kSteps) == kSchemaVersion);

std::string systemError(const char* what, const std::string& path) {
    return std::string(what) + " " + path + ": " + std::strerror(errno);
}

// Damaged beyond use: the file is not a database, or its pages do not check.
bool damaged(Database& db) {
    Statement check = db.prepare("PRAGMA quick_check");
    if (!check.valid())
        return isCorruption(db.lastCode());
    const int rc = check.step();
    if (rc != SQLITE_ROW)
        return isCorruption(rc);
    return check.text(0) != "ok";
}

bool moveAside(const std::string& database, std::string& movedTo) {
    movedTo = corruptCopyPath(database);
    if (!platform::renameEntry(database, movedTo))
        return false;
    // The journal belongs to the damaged file; the index beside it is rebuilt from nothing.
    platform::renameEntry(database + "-wal", movedTo + "-wal");
    platform::removeFile(platform::SystemPath(database + "-shm"));
    return true;
}

int openFile(HistoryFiles& files, Database& db, std::string& problem) {
    const std::string database = files.paths().database();
    if (!files.prepareDatabase()) {
        problem = files.problem();
        return SQLITE_CANTOPEN;
    }
    const int rc = db.open(database, Database::Mode::ReadWrite);
    if (rc != SQLITE_OK)
        problem = database + ": " + sqlite3_errstr(rc);
    return rc;
}

} // namespace

bool migrate(Database& db, std::string& problem) {
    const std::optional<int64_t> version = db.queryInt("PRAGMA user_version");
    if (!version) {
        problem = db.lastError();
        return false;
    }
    if (*version > kSchemaVersion) {
        problem =
            "the history was written by a newer Chorelin (schema " + std::to_string(*version) + ")";
        return false;
    }
    for (int64_t step = *version + 1; step <= kSchemaVersion; ++step) {
        const std::string sql = std::string("BEGIN IMMEDIATE;") + kSteps[step - 1] +
                                "PRAGMA user_version = " + std::to_string(step) + ";COMMIT;";
        if (db.exec(sql.c_str()) != SQLITE_OK) {
            problem = db.lastError();
            db.exec("ROLLBACK");
            return false;
        }
    }
    return true;
}

WritableDatabase openForWriting(HistoryFiles& files) {
    WritableDatabase result;
    if (!files.openOutput()) {
        result.problem = files.problem();
        return result;
    }
    const std::string database = files.paths().database();
    Database db;
    if (openFile(files, db, result.problem) != SQLITE_OK)
        return result;
    if (damaged(db)) {
        db.close();
        if (!moveAside(database, result.movedTo)) {
            result.problem = systemError("cannot move the damaged database", database);
            result.movedTo.clear();
            return result;
        }
        if (openFile(files, db, result.problem) != SQLITE_OK)
            return result;
    }
    // The schema first: a database of a newer Chorelin is left exactly as it is.
    if (!migrate(db, result.problem)) {
        result.problem = database + ": " + result.problem;
        return result;
    }
    // WAL lets the window's history dialog and the command line read while runs are written;
    // NORMAL syncing loses nothing on a crash of the program, only the last commits on a power
    // cut.
    Statement mode = db.prepare("PRAGMA journal_mode = WAL");
    if (!mode.valid() || mode.step() != SQLITE_ROW || mode.text(0) != "wal") {
        result.problem = database + ": WAL journaling: " + db.lastError();
        return result;
    }
    mode = Statement();
    if (db.exec("PRAGMA synchronous = NORMAL") != SQLITE_OK) {
        result.problem = database + ": " + db.lastError();
        return result;
    }
    result.db = std::move(db);
    return result;
}

} // namespace history
