#include "Sqlite.h"

#include <sqlite3.h>
#include <utility>

namespace lirno::service
{
SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(statement_);
}

SqliteStatement::SqliteStatement(SqliteStatement&& other) noexcept
    : db_(other.db_), statement_(std::exchange(other.statement_, nullptr))
{
}

SqliteStatement& SqliteStatement::operator=(SqliteStatement&& other) noexcept
{
    if (this != &other)
    {
        sqlite3_finalize(statement_);
        db_ = other.db_;
        statement_ = std::exchange(other.statement_, nullptr);
    }
    return *this;
}

SqliteStatement& SqliteStatement::Bind(int index, std::int64_t value)
{
    sqlite3_bind_int64(statement_, index, value);
    return *this;
}

SqliteStatement& SqliteStatement::Bind(int index, std::string_view text)
{
    sqlite3_bind_text64(statement_, index, text.data(), text.size(), SQLITE_STATIC, SQLITE_UTF8);
    return *this;
}

SqliteStatement& SqliteStatement::BindBlob(int index, std::string_view bytes)
{
    // A zero-length blob must still be a blob, not NULL.
    static const char empty = 0;
    sqlite3_bind_blob64(statement_, index, bytes.empty() ? &empty : bytes.data(), bytes.size(),
                        SQLITE_STATIC);
    return *this;
}

SqliteStatement& SqliteStatement::BindNull(int index)
{
    sqlite3_bind_null(statement_, index);
    return *this;
}

SqliteStatement::Step SqliteStatement::Next()
{
    const int rc = sqlite3_step(statement_);
    if (rc == SQLITE_ROW)
        return Step::Row;
    return rc == SQLITE_DONE ? Step::Done : Step::Error;
}

bool SqliteStatement::Run()
{
    Step step = Next();
    while (step == Step::Row)
        step = Next();
    return step == Step::Done;
}

void SqliteStatement::Reset()
{
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
}

std::int64_t SqliteStatement::Int(int column) const
{
    return sqlite3_column_int64(statement_, column);
}

std::string SqliteStatement::Text(int column) const
{
    // Blob first: asking for the length after the pointer is the order SQLite documents.
    const void* data = sqlite3_column_blob(statement_, column);
    const int size = sqlite3_column_bytes(statement_, column);
    return data ? std::string(static_cast<const char*>(data), static_cast<std::size_t>(size)) : std::string();
}

bool SqliteStatement::IsNull(int column) const
{
    return sqlite3_column_type(statement_, column) == SQLITE_NULL;
}

std::string SqliteStatement::Error() const
{
    return sqlite3_errmsg(db_);
}

std::unique_ptr<SqliteDb> SqliteDb::Open(const std::string& path, std::string& error)
{
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK)
    {
        error = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        sqlite3_close(db);
        return nullptr;
    }
    // A writer waits for another connection (a second tool on the same file) instead of failing.
    sqlite3_busy_timeout(db, 1000);
    return std::unique_ptr<SqliteDb>(new SqliteDb(db));
}

SqliteDb::~SqliteDb()
{
    sqlite3_close(db_);
}

std::optional<SqliteStatement> SqliteDb::Prepare(std::string_view sql, std::string& error)
{
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &statement, nullptr) != SQLITE_OK)
    {
        error = sqlite3_errmsg(db_);
        sqlite3_finalize(statement);
        return std::nullopt;
    }
    return SqliteStatement(db_, statement);
}

bool SqliteDb::Execute(const std::string& sql, std::string& error)
{
    char* message = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK)
        return true;
    error = message ? message : sqlite3_errmsg(db_);
    sqlite3_free(message);
    return false;
}

std::int64_t SqliteDb::Changes() const
{
    return sqlite3_changes64(db_);
}

std::string SqliteDb::Error() const
{
    return sqlite3_errmsg(db_);
}

SqliteTransaction::SqliteTransaction(SqliteDb& db) : db_(db)
{
    std::string ignored;
    started_ = db_.Execute("BEGIN IMMEDIATE", ignored);
}

SqliteTransaction::~SqliteTransaction()
{
    if (started_ && !done_)
    {
        std::string ignored;
        db_.Execute("ROLLBACK", ignored);
    }
}

bool SqliteTransaction::Commit(std::string& error)
{
    if (!started_)
    {
        error = "no transaction";
        return false;
    }
    done_ = db_.Execute("COMMIT", error);
    return done_;
}
} // namespace lirno::service
