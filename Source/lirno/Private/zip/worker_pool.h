// The threads that deflate the blocks of large items. Made on first use and kept for the
// life of the process; each task is the caller's to wait for, so no handle's work outlives
// the call that queued it.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace zipengine
{
// Threads for one large item: as many as cores, at most 8. LIRNO_ZIP_THREADS overrides
// (1 keeps every item on the calling thread). Read on every call, so it may change between adds.
unsigned deflate_threads();

class WorkerPool
{
public:
    // The process's pool, made with `threads` workers the first time; null when no thread
    // could be started.
    static WorkerPool* shared(unsigned threads);

    explicit WorkerPool(unsigned threads);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    unsigned size() const { return static_cast<unsigned>(threads_.size()); }
    // The task must not throw.
    void submit(std::function<void()> task);

private:
    void run();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> tasks_;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};
} // namespace zipengine
