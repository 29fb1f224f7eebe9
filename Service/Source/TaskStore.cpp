#include "TaskStore.h"

#include "TaskRunner.h"
#include "UploadPackage.h"

#include <algorithm>
#include <spdlog/spdlog.h>

namespace lirno::service
{
namespace
{
// Progress reaches the database at most this often per task: polls read it from there, and
// every write is a synced commit.
constexpr auto ProgressInterval = std::chrono::milliseconds(250);
} // namespace

TaskStore::TaskStore(TaskSettings settings, ProviderChain& chain, ServiceState& state)
    : settings_(settings), chain_(chain), state_(state)
{
    state_.Evict(settings_.result_ttl.count());
    for (const std::int32_t id : state_.Requeue())
        queue_.push_back(id);
    if (!queue_.empty())
        spdlog::info("resuming {} unfinished task(s)", queue_.size());
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

Acceptance TaskStore::Add(const TaskRecord& record, const TaskInput& input, std::string_view upload,
                          std::int64_t allowance)
{
    {
        std::lock_guard lock(mutex_);
        if (stopping_)
        {
            Acceptance busy;
            busy.outcome = Acceptance::Outcome::Busy;
            return busy;
        }
    }
    state_.Evict(settings_.result_ttl.count());
    Acceptance accepted = state_.Accept(record, input, upload, allowance, settings_.max_active_tasks);
    if (accepted.outcome == Acceptance::Outcome::Accepted)
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(accepted.record.TaskidList.front());
        wake_.notify_one();
    }
    return accepted;
}

TaskStore::Lookup TaskStore::Status(std::int32_t task_id, const std::string& api_key, TaskRecord& record,
                                    std::string& message)
{
    const auto task = state_.Find(task_id, settings_.result_ttl.count());
    if (!task || task->api_key != api_key)
        return Lookup::Unknown;
    if (task->state == TaskView::State::Failed)
    {
        message = task->message;
        return Lookup::Failed;
    }
    record = task->record;
    const auto total = static_cast<std::int64_t>(std::max(0, task->record.CharCount));
    const std::int64_t done = std::clamp<std::int64_t>(task->done_characters, 0, total);
    record.CompletedCharCount = static_cast<std::int32_t>(done);
    if (task->state == TaskView::State::Finished)
    {
        // The package travels in the same answer that first says 100: the plug-in stops
        // asking once it sees 100.
        record.CompletionProgress = 100.0;
        record.CompletedCharCount = task->record.CharCount;
        record.file_b64 = task->file_b64;
        record.result_msg = task->message;
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
        std::int32_t id = 0;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (stopping_)
                return;
            id = queue_.front();
            queue_.pop_front();
        }
        Run(id);
    }
}

void TaskStore::Run(std::int32_t id)
{
    auto task = state_.Claim(id);
    if (!task)
        return;
    const auto started = std::chrono::steady_clock::now();
    // Planned again from the stored upload: the same path serves a fresh task and one resumed
    // after a restart, and a queued task holds no parsed archives in memory.
    std::string error;
    auto entries = OpenUpload(std::move(task->upload), UploadPassword(task->input.job_number),
                              settings_.max_unpacked_bytes, error);
    auto plan = entries ? PlanWork(*entries, task->input.natives, task->input.translate_all, error)
                        : std::nullopt;
    entries.reset();
    if (!plan)
    {
        state_.Finish(id, false, "", "The upload cannot be read: " + error);
        return;
    }
    const std::size_t total = plan->characters;
    std::chrono::steady_clock::duration paced{0};
    auto last_report = started;
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
    TaskOutcome outcome = RunPlan(*plan, chain_, task->input.provider,
                                  [&](std::size_t done)
                                  {
                                      const bool go_on = pace(done);
                                      const auto now = std::chrono::steady_clock::now();
                                      if (now - last_report >= ProgressInterval)
                                      {
                                          state_.SetProgress(id, static_cast<std::int64_t>(done));
                                          last_report = now;
                                      }
                                      return go_on;
                                  });
    plan.reset();
    if (outcome.ok)
        pace(total); // a stop now still keeps the finished result
    {
        // Stopping is not failing: the task stays running in the database and is resumed by
        // the next start.
        std::lock_guard lock(mutex_);
        if (!outcome.ok && stopping_)
        {
            spdlog::info("task {} left for the next start", id);
            return;
        }
    }
    const auto work_ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                             std::chrono::steady_clock::now() - started - paced)
                             .count();
    state_.Finish(id, outcome.ok, outcome.file_b64, outcome.message);
    if (!outcome.ok)
        spdlog::warn("task {} failed: {}", id, outcome.message);
    else
        spdlog::info("task {} finished: translated and packed in {} ms, package {} base64 characters: {}", id,
                     work_ms, outcome.file_b64.size(), outcome.message);
}
} // namespace lirno::service
