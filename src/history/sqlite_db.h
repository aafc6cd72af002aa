#pragma once
// A thin RAII layer over SQLite's C interface: one connection, prepared statements, results
// as codes (no exceptions), so the history's writer thread decides itself what a failure means.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace history {

class Statement;

class Database {
public:
    Database() = default;
    ~Database();
    Database(Database&& other) noexcept;
    Database& operator=(Database&& other) noexcept;
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    enum class Mode { ReadWrite, ReadOnly };
    // Opens an existing file (never creates one). The SQLite result code.
    int open(const std::string& path, Mode mode);
    void close();
    bool isOpen() const { return db_ != nullptr; }

    // Runs one or more statements without results. The SQLite result code.
    int exec(const char* sql);
    // The first column of the first row of a query as an integer.
    std::optional<int64_t> queryInt(const char* sql);
    // A prepared statement; an invalid one when preparing failed (see lastError()).
    Statement prepare(const char* sql);

    std::string lastError() const;
    int lastCode() const;
    int64_t changes() const;

private:
    sqlite3* db_ = nullptr;
};

class Statement {
public:
    Statement() = default;
    Statement(sqlite3* db, sqlite3_stmt* stmt) : db_(db), stmt_(stmt) {}
    ~Statement();
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&& other) noexcept;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool valid() const { return stmt_ != nullptr; }
    // Parameters are numbered from 1.
    void bind(int index, int64_t value);
    void bind(int index, std::string_view text);
    void bindNull(int index);
    template <typename T> void bind(int index, const std::optional<T>& value) {
        if (value)
            bind(index, static_cast<int64_t>(*value));
        else
            bindNull(index);
    }
    // SQLITE_ROW, SQLITE_DONE or an error code.
    int step();
    // Ready to run again with new parameters.
    void reset();

    bool isNull(int column) const;
    int64_t integer(int column) const;
    std::optional<int64_t> optionalInteger(int column) const;
    std::string text(int column) const;

private:
    sqlite3* db_ = nullptr;
    sqlite3_stmt* stmt_ = nullptr;
};

// Whether a result code means the file is no database or a damaged one.
bool isCorruption(int code);

} // namespace history
