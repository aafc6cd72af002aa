#include "history/sqlite_db.h"

#include <sqlite3.h>
#include <utility>

namespace history {

Database::~Database() {
    close();
}

Database::Database(Database&& other) noexcept : db_(std::exchange(other.db_, nullptr)) {}

Database& Database::operator=(Database&& other) noexcept {
    if (this != &other) {
        close();
        db_ = std::exchange(other.db_, nullptr);
    }
    return *this;
}

int Database::open(const std::string& path, Mode mode) {
    close();
    const int flags = (mode == Mode::ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) |
                      SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_NOFOLLOW;
    const int rc = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        // A connection object exists even when the open failed; it only carries the message.
        sqlite3_close_v2(db_);
        db_ = nullptr;
        return rc;
    }
    sqlite3_extended_result_codes(db_, 0);
    // A reader beside the writer (or the writer beside a reader's checkpoint) waits a little
    // instead of failing at once.
    sqlite3_busy_timeout(db_, 2000);
    return SQLITE_OK;
}

void Database::close() {
    if (db_)
        sqlite3_close_v2(db_);
    db_ = nullptr;
}

int Database::exec(const char* sql) {
    if (!db_)
        return SQLITE_MISUSE;
    return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
}

std::optional<int64_t> Database::queryInt(const char* sql) {
    Statement statement = prepare(sql);
    if (!statement.valid() || statement.step() != SQLITE_ROW)
        return std::nullopt;
    return statement.integer(0);
}

Statement Database::prepare(const char* sql) {
    sqlite3_stmt* stmt = nullptr;
    if (!db_ || sqlite3_prepare_v2(db_, sql, -1, &stmt, nullptr) != SQLITE_OK) {
        sqlite3_finalize(stmt);
        return Statement();
    }
    return Statement(db_, stmt);
}

std::string Database::lastError() const {
    return db_ ? sqlite3_errmsg(db_) : "no database";
}

int Database::lastCode() const {
    return db_ ? sqlite3_errcode(db_) : SQLITE_CANTOPEN;
}

int64_t Database::changes() const {
    return db_ ? sqlite3_changes64(db_) : 0;
}

Statement::~Statement() {
    sqlite3_finalize(stmt_);
}

Statement::Statement(Statement&& other) noexcept
    : db_(std::exchange(other.db_, nullptr)), stmt_(std::exchange(other.stmt_, nullptr)) {}

Statement& Statement::operator=(Statement&& other) noexcept {
    if (this != &other) {
        sqlite3_finalize(stmt_);
        db_ = std::exchange(other.db_, nullptr);
        stmt_ = std::exchange(other.stmt_, nullptr);
    }
    return *this;
}

void Statement::bind(int index, int64_t value) {
    sqlite3_bind_int64(stmt_, index, value);
}

void Statement::bind(int index, std::string_view text) {
    sqlite3_bind_text64(stmt_, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
}

void Statement::bindNull(int index) {
    sqlite3_bind_null(stmt_, index);
}

int Statement::step() {
    return stmt_ ? sqlite3_step(stmt_) : SQLITE_MISUSE;
}

void Statement::reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

bool Statement::isNull(int column) const {
    return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

int64_t Statement::integer(int column) const {
    return sqlite3_column_int64(stmt_, column);
}

std::optional<int64_t> Statement::optionalInteger(int column) const {
    if (isNull(column))
        return std::nullopt;
    return integer(column);
}

std::string Statement::text(int column) const {
    const auto* bytes = sqlite3_column_text(stmt_, column);
    if (!bytes)
        return std::string();
    return std::string(reinterpret_cast<const char*>(bytes),
                       static_cast<size_t>(sqlite3_column_bytes(stmt_, column)));
}

bool isCorruption(int code) {
    return (code & 0xff) == SQLITE_CORRUPT || (code & 0xff) == SQLITE_NOTADB;
}

} // namespace history
