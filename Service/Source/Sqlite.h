// A thin owner of SQLite's C API: one connection, prepared statements with bound values, and a
// transaction that rolls back unless committed. Failures are values with SQLite's message.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace lirno::service
{
class SqliteStatement
{
public:
    SqliteStatement() = default;
    SqliteStatement(sqlite3* db, sqlite3_stmt* statement) : db_(db), statement_(statement) {}
    ~SqliteStatement();
    SqliteStatement(SqliteStatement&& other) noexcept;
    SqliteStatement& operator=(SqliteStatement&& other) noexcept;

    // Parameters count from 1, as in SQL. Text and blobs are copied by SQLite only when it must:
    // they must outlive the statement's next Step.
    SqliteStatement& Bind(int index, std::int64_t value);
    SqliteStatement& Bind(int index, std::string_view text);
    SqliteStatement& BindBlob(int index, std::string_view bytes);
    SqliteStatement& BindNull(int index);

    enum class Step
    {
        Row,
        Done,
        Error,
    };
    Step Next();
    // Runs to the end; false on an error.
    bool Run();
    // Ready to run again with new values.
    void Reset();

    std::int64_t Int(int column) const;
    std::string Text(int column) const;
    bool IsNull(int column) const;

    std::string Error() const;

private:
    sqlite3* db_ = nullptr;
    sqlite3_stmt* statement_ = nullptr;
};

class SqliteDb
{
public:
    // Opens or creates the file; ":memory:" works too.
    static std::unique_ptr<SqliteDb> Open(const std::string& path, std::string& error);
    ~SqliteDb();
    SqliteDb(const SqliteDb&) = delete;
    SqliteDb& operator=(const SqliteDb&) = delete;

    // Empty statement (and `error` set) when the SQL does not compile.
    std::optional<SqliteStatement> Prepare(std::string_view sql, std::string& error);
    // Runs statements without parameters or results (schema, pragmas).
    bool Execute(const std::string& sql, std::string& error);
    std::int64_t Changes() const;
    std::string Error() const;

private:
    explicit SqliteDb(sqlite3* db) : db_(db) {}
    sqlite3* db_;
};

// BEGIN IMMEDIATE on construction, so two writers never both read then write; ROLLBACK on
// destruction unless Commit succeeded.
class SqliteTransaction
{
public:
    explicit SqliteTransaction(SqliteDb& db);
    ~SqliteTransaction();
    SqliteTransaction(const SqliteTransaction&) = delete;
    SqliteTransaction& operator=(const SqliteTransaction&) = delete;

    bool Started() const { return started_; }
    bool Commit(std::string& error);

private:
    SqliteDb& db_;
    bool started_ = false;
    bool done_ = false;
};
} // namespace lirno::service
