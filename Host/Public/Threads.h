// The main thread's event loop, background tasks and sleeping.
#pragma once

#include <functional>

namespace host
{
class IThreads
{
public:
    virtual ~IThreads() = default;
    // Queues work for the main thread's event loop; callable from any thread.
    virtual void PostToMainThread(std::function<void()> work) = 0;
    // Runs a task on a worker thread, never on the main thread.
    virtual void RunInBackground(std::function<void()> task) = 0;
    // Sleeps the calling thread; 0 yields.
    virtual void Sleep(double seconds) = 0;
    virtual bool IsMainThread() const = 0;
    // Monotonic seconds since an arbitrary start; callable from any thread.
    virtual double Now() const = 0;
};
} // namespace host
