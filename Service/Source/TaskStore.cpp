#include "TaskStore.h"

#include "TaskRunner.h"

#include <algorithm>
#include <spdlog/spdlog.h>

namespace lirno::service
{
struct TaskStore::Task
{
    TaskRecord record; // as accepted; progress and results are filled in on each look
    std::string api_key;
    std::string provider;
    WorkPlan plan;
    std::atomic<std::size_t> done{0};
    // Guarded by the store's mutex:
    bool finished = false;
    bool failed = false;
    std::string file_b64;
    std::string message;
    std::chrono::steady_clock::time_point finished_at;
};

TaskStore::TaskStore(TaskSettings settings, ProviderChain& chain)
    : settings_(settings), chain_(chain), random_(std::random_device{}())
{
    for (unsigned i = 0; i < std::max(1u, settings_.workers); ++i)
        workers_.emplace_back([this] { Work(); });
}

TaskStore::~TaskStore()
{
    Stop();
}

void TaskStore::Stop()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& worker : workers_)
    {
        if (worker.joinable())
            worker.join();
    }
}

std::int32_t TaskStore::NewId()
{
    // Random ids, so one user cannot walk through another's tasks by counting.
    std::uniform_int_distribution<std::int32_t> pick(1, std::numeric_limits<std::int32_t>::max());
    std::int32_t id = pick(random_);
    while (tasks_.contains(id))
        id = pick(random_);
    return id;
}

void TaskStore::Evict()
{
    const auto now = std::chrono::steady_clock::now();
    std::erase_if(tasks_, [&](const auto& item)
                  { return item.second->finished && now - item.second->finished_at > settings_.result_ttl; });
}

std::optional<TaskRecord> TaskStore::Add(TaskRecord record, WorkPlan plan, std::string api_key,
                                         std::string provider)
{
    std::lock_guard lock(mutex_);
    Evict();
    const auto active =
        std::count_if(tasks_.begin(), tasks_.end(), [](const auto& item) { return !item.second->finished; });
    if (stopping_ || static_cast<unsigned>(active) >= settings_.max_active_tasks)
        return std::nullopt;
    auto task = std::make_shared<Task>();
    record.TaskidList = {NewId()};
    task->record = record;
    task->api_key = std::move(api_key);
    task->provider = std::move(provider);
    task->plan = std::move(plan);
    tasks_[record.TaskidList.front()] = task;
    queue_.push_back(task);
    wake_.notify_one();
    return record;
}

TaskStore::Lookup TaskStore::Status(std::int32_t task_id, const std::string& api_key, TaskRecord& record,
                                    std::string& message)
{
    std::lock_guard lock(mutex_);
    Evict();
    const auto it = tasks_.find(task_id);
    if (it == tasks_.end() || it->second->api_key != api_key)
        return Lookup::Unknown;
    const Task& task = *it->second;
    if (task.failed)
    {
        message = task.message;
        return Lookup::Failed;
    }
    record = task.record;
    const std::size_t total = static_cast<std::size_t>(std::max(0, task.record.CharCount));
    const std::size_t done = std::min(task.done.load(), total);
    record.CompletedCharCount = static_cast<std::int32_t>(done);
    if (task.finished)
    {
        // The package travels in the same answer that first says 100: the plug-in stops
        // asking once it sees 100.
        record.CompletionProgress = 100.0;
        record.CompletedCharCount = task.record.CharCount;
        record.file_b64 = task.file_b64;
        record.result_msg = task.message;
    }
    else
        record.CompletionProgress =
            total == 0 ? 0.0 : std::min(99.0, 100.0 * static_cast<double>(done) / static_cast<double>(total));
    return Lookup::Found;
}

void TaskStore::Work()
{
    while (true)
    {
        std::shared_ptr<Task> task;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (stopping_)
                return;
            task = std::move(queue_.front());
            queue_.pop_front();
        }
        Run(*task);
    }
}

void TaskStore::Run(Task& task)
{
    const auto started = std::chrono::steady_clock::now();
    const std::size_t total = task.plan.characters;
    std::chrono::steady_clock::duration paced{0};
    // Waits until the share done is also the share of the minimum duration that has passed;
    // false when the store is stopping.
    const auto pace = [&](std::size_t done)
    {
        std::unique_lock lock(mutex_);
        if (settings_.min_task_duration.count() > 0)
        {
            const double share = total == 0 ? 1.0 : static_cast<double>(done) / static_cast<double>(total);
            const auto until = started + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                             settings_.min_task_duration * share);
            const auto before = std::chrono::steady_clock::now();
            wake_.wait_until(lock, until, [this] { return stopping_; });
            paced += std::chrono::steady_clock::now() - before;
        }
        return !stopping_;
    };
    TaskOutcome outcome = RunPlan(task.plan, chain_, task.provider,
                                  [&](std::size_t done)
                                  {
                                      const bool go_on = pace(done);
                                      task.done = done;
                                      return go_on;
                                  });
    if (outcome.ok && !pace(total))
        outcome = {false, "", "The service stopped before the translation finished."};
    task.plan = {};
    const auto work_ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                             std::chrono::steady_clock::now() - started - paced)
                             .count();
    std::lock_guard lock(mutex_);
    task.finished = true;
    task.failed = !outcome.ok;
    task.file_b64 = std::move(outcome.file_b64);
    task.message = std::move(outcome.message);
    task.finished_at = std::chrono::steady_clock::now();
    if (task.failed)
        spdlog::warn("task {} failed: {}", task.record.TaskidList.front(), task.message);
    else
        spdlog::info("task {} finished: translated and packed in {} ms, package {} base64 characters: {}",
                     task.record.TaskidList.front(), work_ms, task.file_b64.size(), task.message);
}
} // namespace lirno::service
