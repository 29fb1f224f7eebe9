// Accepted tasks and the worker threads that translate them. Tasks live in the service's
// database: a task belongs to the API key that uploaded it, survives a restart (one that was
// queued or running is run again), and its result stays available for a while after it finished.
#pragma once

#include "ProviderChain.h"
#include "Records.h"
#include "ServiceState.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

namespace lirno::service
{
struct TaskSettings
{
    unsigned workers = 2;
    unsigned max_active_tasks = 64;
    std::chrono::seconds result_ttl{900};
    std::chrono::milliseconds min_task_duration{0};
    std::uint64_t max_unpacked_bytes = 1ull << 30;
};

class TaskStore
{
public:
    // Queues what the database holds unfinished and starts the workers.
    TaskStore(TaskSettings settings, ProviderChain& chain, ServiceState& state);
    ~TaskStore();
    TaskStore(const TaskStore&) = delete;
    TaskStore& operator=(const TaskStore&) = delete;

    // Charges the key and queues the task in one step; the record gets its task id.
    Acceptance Add(const TaskRecord& record, const TaskInput& input, std::string_view upload,
                   std::int64_t allowance);

    enum class Lookup
    {
        Found,
        Unknown,
        Failed,
    };
    // The task's current record (progress; package and message once finished) when it exists
    // and belongs to the key. A failed task answers Failed with its reason in `message`.
    Lookup Status(std::int32_t task_id, const std::string& api_key, TaskRecord& record, std::string& message);

    void Stop();

private:
    void Work();
    void Run(std::int32_t id);

    TaskSettings settings_;
    ProviderChain& chain_;
    ServiceState& state_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::deque<std::int32_t> queue_;
    std::vector<std::thread> workers_;
};
} // namespace lirno::service
