// The main thread's event loop and the editor's thread services: a queue of work items for the
// main thread, background tasks on their own threads, and a count of outstanding work so that
// the loop can tell when nothing is left to wait for.
#pragma once

#include "HostApi.h"
#include "Threads.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <list>
#include <mutex>
#include <thread>

namespace host
{
class HOST_API FEventLoop final : public IThreads
{
public:
    // The constructing thread is the main thread.
    FEventLoop();
    // Joins every background task; tasks must be able to finish on their own.
    ~FEventLoop() override;

    void PostToMainThread(std::function<void()> work) override;
    void RunInBackground(std::function<void()> task) override;
    void Sleep(double seconds) override;
    bool IsMainThread() const override;
    double Now() const override;

    // Work that will post to the main thread later (an HTTP request in flight) keeps the loop
    // from being idle between BeginWork and the matching EndWork.
    void BeginWork();
    void EndWork();

    enum class ERunResult
    {
        Idle,
        DeadlineReached,
    };
    // Runs queued items on the calling (main) thread until nothing is queued or outstanding.
    ERunResult RunUntilIdle(
        std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max());
    std::size_t OutstandingWork() const { return Outstanding.load(); }

private:
    void JoinFinishedTasks();

    const std::thread::id MainThread;
    std::mutex Mutex;
    std::condition_variable Wake;
    std::deque<std::function<void()>> Queue;
    std::atomic<std::size_t> Outstanding{0};

    struct FTask
    {
        std::thread Thread;
        std::atomic<bool> Done{false};
    };
    std::mutex TasksMutex;
    std::list<FTask> Tasks;
};
} // namespace host
