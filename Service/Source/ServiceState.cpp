#include "ServiceState.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <nlohmann/json.hpp>
#include <spdlog/spdlog.h>

namespace lirno::service
{
namespace
{
// Schema steps in order; the database's user_version counts the steps applied. Append, never
// edit: a deployed database has run the old ones.
const std::vector<const char*> Migrations = {
    R"(CREATE TABLE service_info (name TEXT PRIMARY KEY, value TEXT NOT NULL);
       INSERT INTO service_info VALUES ('application', 'lirno translation-service');
       CREATE TABLE accounts (
         api_key TEXT PRIMARY KEY,
         used_characters INTEGER NOT NULL DEFAULT 0);
       CREATE TABLE tasks (
         id INTEGER PRIMARY KEY,
         api_key TEXT NOT NULL,
         state INTEGER NOT NULL,
         record TEXT NOT NULL,
         provider TEXT NOT NULL,
         job_number TEXT NOT NULL,
         translate_all INTEGER NOT NULL,
         natives TEXT NOT NULL,
         characters INTEGER NOT NULL,
         upload BLOB,
         done_characters INTEGER NOT NULL DEFAULT 0,
         result BLOB,
         message TEXT NOT NULL DEFAULT '',
         accepted_ms INTEGER NOT NULL,
         finished_s INTEGER);
       CREATE INDEX tasks_by_state ON tasks (state, accepted_ms);)",
};

// Stored as numbers; the order is the task's life.
enum StateCode : std::int64_t
{
    Queued = 0,
    Running = 1,
    Finished = 2,
    Failed = 3,
};

std::int64_t NowMilliseconds()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::string NativesToJson(const NativeCultures& natives)
{
    nlohmann::json list = nlohmann::json::array();
    for (const auto& [target, culture] : natives)
        list.push_back({target, culture});
    return list.dump();
}

NativeCultures NativesFromJson(const std::string& text)
{
    NativeCultures natives;
    const auto list = nlohmann::json::parse(text, nullptr, false);
    if (!list.is_array())
        return natives;
    for (const auto& pair : list)
    {
        if (pair.is_array() && pair.size() == 2 && pair[0].is_string() && pair[1].is_string())
            natives.emplace_back(pair[0].get<std::string>(), pair[1].get<std::string>());
    }
    return natives;
}

bool Migrate(SqliteDb& db, std::string& error)
{
    auto version_query = db.Prepare("PRAGMA user_version", error);
    if (!version_query || version_query->Next() != SqliteStatement::Step::Row)
        return false;
    const std::int64_t version = version_query->Int(0);
    version_query.reset();
    const auto known = static_cast<std::int64_t>(Migrations.size());
    if (version > known)
    {
        error = "the database has schema version " + std::to_string(version) +
                ", newer than this service knows (" + std::to_string(known) + ")";
        return false;
    }
    if (version > 0)
    {
        // Another program's SQLite file must not be taken over by accident.
        auto owner = db.Prepare("SELECT value FROM service_info WHERE name = 'application'", error);
        if (!owner || owner->Next() != SqliteStatement::Step::Row ||
            owner->Text(0) != "lirno translation-service")
        {
            error = "the file is not a translation-service database";
            return false;
        }
    }
    for (std::int64_t step = version; step < known; ++step)
    {
        SqliteTransaction transaction(db);
        if (!transaction.Started() || !db.Execute(Migrations[static_cast<std::size_t>(step)], error) ||
            !db.Execute("PRAGMA user_version = " + std::to_string(step + 1), error) ||
            !transaction.Commit(error))
        {
            if (error.empty())
                error = db.Error();
            error = "schema step " + std::to_string(step + 1) + " failed: " + error;
            return false;
        }
    }
    return true;
}
} // namespace

ServiceState::ServiceState(std::unique_ptr<SqliteDb> db) : db_(std::move(db)), random_(std::random_device{}())
{
}

std::unique_ptr<ServiceState> ServiceState::Open(const std::string& path, std::string& error)
{
    auto db = SqliteDb::Open(path, error);
    // WAL keeps a commit to one appended write; FULL makes every commit survive a power cut,
    // not only a crash of this process.
    // One service per database: the exclusive lock is taken now and held until the service
    // ends, so a second service on the same file fails here instead of running the same tasks.
    if (!db ||
        !db->Execute("PRAGMA locking_mode = EXCLUSIVE; PRAGMA journal_mode = WAL; PRAGMA synchronous = FULL; "
                     "BEGIN EXCLUSIVE; COMMIT;",
                     error) ||
        !Migrate(*db, error))
    {
        error = "cannot open the database " + path + ": " + error;
        return nullptr;
    }
    return std::unique_ptr<ServiceState>(new ServiceState(std::move(db)));
}

std::optional<SqliteStatement> ServiceState::Prepare(std::string_view sql)
{
    std::string error;
    auto statement = db_->Prepare(sql, error);
    if (!statement)
        spdlog::error("database: {}", error);
    return statement;
}

std::int64_t ServiceState::Used(const std::string& api_key)
{
    std::lock_guard lock(mutex_);
    auto query = Prepare("SELECT used_characters FROM accounts WHERE api_key = ?1");
    if (!query || query->Bind(1, api_key).Next() != SqliteStatement::Step::Row)
        return 0;
    return query->Int(0);
}

Acceptance ServiceState::Accept(const TaskRecord& record, const TaskInput& input, std::string_view upload,
                                std::int64_t allowance, unsigned max_active)
{
    std::lock_guard lock(mutex_);
    Acceptance result;
    result.record = record;
    SqliteTransaction transaction(*db_);
    const auto fail = [&]
    {
        result.outcome = Acceptance::Outcome::Failed;
        if (result.error.empty())
            result.error = db_->Error();
        spdlog::error("database: a task could not be stored: {}", result.error);
        return result;
    };
    if (!transaction.Started())
        return fail();

    auto used_query = Prepare("SELECT used_characters FROM accounts WHERE api_key = ?1");
    if (!used_query)
        return fail();
    const bool has_row = used_query->Bind(1, input.api_key).Next() == SqliteStatement::Step::Row;
    const std::int64_t used = has_row ? used_query->Int(0) : 0;
    used_query.reset();
    const std::int64_t characters = record.CharCount;
    result.remaining = std::max<std::int64_t>(0, allowance - used);
    if (characters > allowance - used)
    {
        result.outcome = Acceptance::Outcome::Insufficient;
        return result;
    }
    auto active = Prepare("SELECT COUNT(*) FROM tasks WHERE state IN (0, 1)");
    if (!active || active->Next() != SqliteStatement::Step::Row)
        return fail();
    if (active->Int(0) >= static_cast<std::int64_t>(max_active))
    {
        result.outcome = Acceptance::Outcome::Busy;
        return result;
    }
    active.reset();

    auto charge = Prepare("INSERT INTO accounts (api_key, used_characters) VALUES (?1, ?2) "
                          "ON CONFLICT (api_key) DO UPDATE SET used_characters = used_characters + ?2");
    if (!charge || !charge->Bind(1, input.api_key).Bind(2, characters).Run())
        return fail();

    // Random ids, so one user cannot walk through another's tasks by counting.
    std::uniform_int_distribution<std::int32_t> pick(1, std::numeric_limits<std::int32_t>::max());
    auto exists = Prepare("SELECT 1 FROM tasks WHERE id = ?1");
    if (!exists)
        return fail();
    std::int32_t id = 0;
    for (int attempt = 0; attempt < 100 && id == 0; ++attempt)
    {
        const std::int32_t candidate = pick(random_);
        if (exists->Bind(1, candidate).Next() == SqliteStatement::Step::Done)
            id = candidate;
        exists->Reset();
    }
    if (id == 0)
        return fail();
    result.record.TaskidList = {id};
    result.record.UserTransLimit_LastCharCount = static_cast<std::int32_t>(
        std::clamp<std::int64_t>(allowance - used - characters, 0, std::numeric_limits<std::int32_t>::max()));
    const std::string record_text = TaskRecordToJson(result.record).dump();
    const std::string natives = NativesToJson(input.natives);
    auto insert = Prepare(
        "INSERT INTO tasks (id, api_key, state, record, provider, job_number, translate_all, natives, "
        "characters, upload, accepted_ms) VALUES (?1, ?2, 0, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)");
    if (!insert || !insert->Bind(1, id)
                        .Bind(2, input.api_key)
                        .Bind(3, record_text)
                        .Bind(4, input.provider)
                        .Bind(5, input.job_number)
                        .Bind(6, input.translate_all ? 1 : 0)
                        .Bind(7, natives)
                        .Bind(8, characters)
                        .BindBlob(9, upload)
                        .Bind(10, NowMilliseconds())
                        .Run())
        return fail();
    if (!transaction.Commit(result.error))
        return fail();
    result.outcome = Acceptance::Outcome::Accepted;
    result.remaining = allowance - used - characters;
    return result;
}

std::vector<std::int32_t> ServiceState::Requeue()
{
    std::lock_guard lock(mutex_);
    std::vector<std::int32_t> ids;
    auto reset = Prepare("UPDATE tasks SET state = 0, done_characters = 0 WHERE state = 1");
    if (!reset || !reset->Run())
        return ids;
    auto queued = Prepare("SELECT id FROM tasks WHERE state = 0 ORDER BY accepted_ms, id");
    while (queued && queued->Next() == SqliteStatement::Step::Row)
        ids.push_back(static_cast<std::int32_t>(queued->Int(0)));
    return ids;
}

std::optional<StoredTask> ServiceState::Claim(std::int32_t id)
{
    std::lock_guard lock(mutex_);
    auto claim = Prepare("UPDATE tasks SET state = 1 WHERE id = ?1 AND state = 0");
    if (!claim || !claim->Bind(1, id).Run() || db_->Changes() != 1)
        return std::nullopt;
    auto read = Prepare("SELECT api_key, provider, job_number, translate_all, natives, upload, characters "
                        "FROM tasks WHERE id = ?1");
    if (!read || read->Bind(1, id).Next() != SqliteStatement::Step::Row)
        return std::nullopt;
    StoredTask task;
    task.input.api_key = read->Text(0);
    task.input.provider = read->Text(1);
    task.input.job_number = read->Text(2);
    task.input.translate_all = read->Int(3) != 0;
    task.input.natives = NativesFromJson(read->Text(4));
    task.upload = read->Text(5);
    task.characters = read->Int(6);
    return task;
}

void ServiceState::SetProgress(std::int32_t id, std::int64_t done_characters)
{
    std::lock_guard lock(mutex_);
    auto update = Prepare("UPDATE tasks SET done_characters = ?2 WHERE id = ?1");
    if (update && !update->Bind(1, id).Bind(2, done_characters).Run())
        spdlog::error("database: progress of task {} not stored: {}", id, update->Error());
}

void ServiceState::Finish(std::int32_t id, bool ok, const std::string& file_b64, const std::string& message)
{
    std::lock_guard lock(mutex_);
    // The upload is no longer needed once the result is stored.
    auto update = Prepare("UPDATE tasks SET state = ?2, result = ?3, message = ?4, upload = NULL, "
                          "done_characters = characters, finished_s = ?5 WHERE id = ?1");
    if (update && !update->Bind(1, id)
                       .Bind(2, ok ? Finished : Failed)
                       .BindBlob(3, file_b64)
                       .Bind(4, message)
                       .Bind(5, NowMilliseconds() / 1000)
                       .Run())
        spdlog::error("database: the result of task {} was not stored: {}", id, update->Error());
}

std::optional<TaskView> ServiceState::Find(std::int32_t id, std::int64_t ttl_seconds)
{
    std::lock_guard lock(mutex_);
    auto read = Prepare("SELECT api_key, record, state, done_characters, result, message, finished_s "
                        "FROM tasks WHERE id = ?1");
    if (!read || read->Bind(1, id).Next() != SqliteStatement::Step::Row)
        return std::nullopt;
    if (!read->IsNull(6) && NowMilliseconds() / 1000 - read->Int(6) > ttl_seconds)
        return std::nullopt;
    TaskView view;
    view.api_key = read->Text(0);
    std::string error;
    auto record = ParseTaskRecord(read->Text(1), error);
    if (!record)
        return std::nullopt;
    view.record = std::move(*record);
    view.state = static_cast<TaskView::State>(read->Int(2));
    view.done_characters = read->Int(3);
    if (view.state == TaskView::State::Finished)
        view.file_b64 = read->Text(4);
    view.message = read->Text(5);
    return view;
}

void ServiceState::Evict(std::int64_t ttl_seconds)
{
    std::lock_guard lock(mutex_);
    auto remove = Prepare("DELETE FROM tasks WHERE finished_s IS NOT NULL AND finished_s < ?1");
    if (remove)
        remove->Bind(1, NowMilliseconds() / 1000 - ttl_seconds).Run();
}
} // namespace lirno::service
