// Accepted tasks and the worker threads that translate them. A task belongs to the API key
// that uploaded it; its result stays available for a while after it finished.
#pragma once

#include "LocalizationWork.h"
#include "ProviderChain.h"
#include "Records.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <thread>

namespace lirno::service
{
struct TaskSettings
{
    unsigned workers = 2;
    unsigned max_active_tasks = 64;
    std::chrono::seconds result_ttl{900};
    std::chrono::milliseconds min_task_duration{0};
};

class TaskStore
{
public:
    TaskStore(TaskSettings settings, ProviderChain& chain);
    ~TaskStore();
    TaskStore(const TaskStore&) = delete;
    TaskStore& operator=(const TaskStore&) = delete;

    // Queues the plan; the record gets its task id. Empty when too many tasks are active.
    std::optional<TaskRecord> Add(TaskRecord record, WorkPlan plan, std::string api_key,
                                  std::string provider);

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
    struct Task;
    void Work();
    void Run(Task& task);
    void Evict();
    std::int32_t NewId();

    TaskSettings settings_;
    ProviderChain& chain_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::map<std::int32_t, std::shared_ptr<Task>> tasks_;
    std::deque<std::shared_ptr<Task>> queue_;
    std::mt19937 random_;
    std::vector<std::thread> workers_;
};
} // namespace lirno::service
