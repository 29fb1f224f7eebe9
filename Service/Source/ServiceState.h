// The service's durable state in one SQLite file: what each API key has used, and every task
// with its upload, progress and result until the result expires. Survives a crash at any point:
// a task is accepted and charged in one transaction, so a restart neither loses nor re-charges it.
#pragma once

#include "LocalizationWork.h"
#include "Records.h"
#include "Sqlite.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace lirno::service
{
// What a worker needs to carry out a task, as the upload route received it.
struct TaskInput
{
    std::string api_key;
    std::string provider;
    std::string job_number;
    bool translate_all = false;
    NativeCultures natives;
};

struct Acceptance
{
    enum class Outcome
    {
        Accepted,
        Insufficient, // the allowance does not cover the characters; nothing was charged
        Busy,         // too many tasks queued or running; nothing was charged
        Failed,       // the database refused; `error` says why
    };
    Outcome outcome = Outcome::Failed;
    TaskRecord record;          // with its task id when accepted
    std::int64_t remaining = 0; // characters left to the key after the charge, or before a refusal
    std::string error;
};

struct StoredTask
{
    TaskInput input;
    std::string upload; // the body as uploaded (shifted)
    std::int64_t characters = 0;
};

struct TaskView
{
    enum class State
    {
        Queued,
        Running,
        Finished,
        Failed,
    };
    std::string api_key;
    TaskRecord record; // as accepted
    State state = State::Queued;
    std::int64_t done_characters = 0;
    std::string file_b64;
    std::string message;
};

class ServiceState
{
public:
    // Opens or creates the file and brings its schema up to date; refuses a file written by a
    // newer service or one that is not this service's database.
    static std::unique_ptr<ServiceState> Open(const std::string& path, std::string& error);

    // Charges `characters` to the key within `allowance` (its configured total) and stores the
    // task, unless `max_active` tasks are queued or running already.
    Acceptance Accept(const TaskRecord& record, const TaskInput& input, std::string_view upload,
                      std::int64_t allowance, unsigned max_active);
    std::int64_t Used(const std::string& api_key);

    // Tasks a previous run left queued or running, oldest first, all queued again.
    std::vector<std::int32_t> Requeue();
    // Marks the task running and hands over its input; empty when it is gone or not queued.
    std::optional<StoredTask> Claim(std::int32_t id);
    void SetProgress(std::int32_t id, std::int64_t done_characters);
    void Finish(std::int32_t id, bool ok, const std::string& file_b64, const std::string& message);

    // The task unless it is unknown or its result expired `ttl_seconds` after it finished.
    std::optional<TaskView> Find(std::int32_t id, std::int64_t ttl_seconds);
    // Forgets tasks whose results expired.
    void Evict(std::int64_t ttl_seconds);

private:
    explicit ServiceState(std::unique_ptr<SqliteDb> db);
    std::optional<SqliteStatement> Prepare(std::string_view sql);

    std::mutex mutex_; // one connection, used by the HTTP threads and the workers in turn
    std::unique_ptr<SqliteDb> db_;
    std::mt19937 random_;
};
} // namespace lirno::service
