#include "EventLoop.h"

#include "Log.h"

#include <chrono>
#include <exception>

namespace host
{
FEventLoop::FEventLoop() : MainThread(std::this_thread::get_id()) {}

FEventLoop::~FEventLoop()
{
    std::lock_guard lock(TasksMutex);
    for (auto& task : Tasks)
    {
        if (task.Thread.joinable())
        {
            task.Thread.join();
        }
    }
}

void FEventLoop::PostToMainThread(std::function<void()> work)
{
    {
        std::lock_guard lock(Mutex);
        Queue.push_back(std::move(work));
    }
    Wake.notify_all();
}

void FEventLoop::RunInBackground(std::function<void()> task)
{
    JoinFinishedTasks();
    BeginWork();
    std::lock_guard lock(TasksMutex);
    FTask& slot = Tasks.emplace_back();
    slot.Thread = std::thread(
        [this, &slot, task = std::move(task)]
        {
            try
            {
                task();
            }
            catch (const std::exception& error)
            {
                Log(LogGeneral, EVerbosity::Error, std::string("background task failed: ") + error.what());
            }
            slot.Done = true;
            EndWork();
        });
}

void FEventLoop::Sleep(double seconds)
{
    if (seconds <= 0)
    {
        std::this_thread::yield();
        return;
    }
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

bool FEventLoop::IsMainThread() const
{
    return std::this_thread::get_id() == MainThread;
}

double FEventLoop::Now() const
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void FEventLoop::BeginWork()
{
    ++Outstanding;
}

void FEventLoop::EndWork()
{
    {
        // Under the lock, so a waiting loop cannot miss the change between its check and its wait.
        std::lock_guard lock(Mutex);
        --Outstanding;
    }
    Wake.notify_all();
}

FEventLoop::ERunResult FEventLoop::RunUntilIdle(std::chrono::steady_clock::time_point deadline)
{
    for (;;)
    {
        std::function<void()> work;
        {
            std::unique_lock lock(Mutex);
            const auto ready = [&] { return !Queue.empty() || Outstanding.load() == 0; };
            if (deadline == std::chrono::steady_clock::time_point::max())
            {
                Wake.wait(lock, ready);
            }
            else if (!Wake.wait_until(lock, deadline, ready))
            {
                return ERunResult::DeadlineReached;
            }
            if (Queue.empty())
            {
                lock.unlock();
                JoinFinishedTasks();
                return ERunResult::Idle;
            }
            work = std::move(Queue.front());
            Queue.pop_front();
        }
        work();
    }
}

void FEventLoop::JoinFinishedTasks()
{
    std::lock_guard lock(TasksMutex);
    for (auto it = Tasks.begin(); it != Tasks.end();)
    {
        if (it->Done.load())
        {
            it->Thread.join();
            it = Tasks.erase(it);
        }
        else
        {
            ++it;
        }
    }
}
} // namespace host
