#include "worker_pool.h"

#include <cstdlib>
#include <memory>

namespace zipengine
{
namespace
{
constexpr unsigned DefaultThreadLimit = 8;
constexpr unsigned OverrideLimit = 64;
} // namespace

unsigned deflate_threads()
{
    if (const char* text = std::getenv("LIRNO_ZIP_THREADS"); text != nullptr && *text >= '0' && *text <= '9')
    {
        char* end = nullptr;
        const unsigned long value = std::strtoul(text, &end, 10);
        if (*end == '\0' && value >= 1)
            return value < OverrideLimit ? static_cast<unsigned>(value) : OverrideLimit;
    }
    const unsigned cores = std::thread::hardware_concurrency();
    if (cores == 0)
        return 1;
    return cores < DefaultThreadLimit ? cores : DefaultThreadLimit;
}

WorkerPool* WorkerPool::shared(unsigned threads)
{
    // A function-local static is made once even when two threads race here; a pool that
    // could not start a single worker is kept as null and the callers stay serial.
    static const std::unique_ptr<WorkerPool> pool = [threads]() -> std::unique_ptr<WorkerPool>
    {
        try
        {
            auto made = std::make_unique<WorkerPool>(threads);
            return made->size() > 0 ? std::move(made) : nullptr;
        }
        catch (...)
        {
            return nullptr;
        }
    }();
    return pool.get();
}

WorkerPool::WorkerPool(unsigned threads)
{
    threads_.reserve(threads);
    for (unsigned i = 0; i < threads; ++i)
    {
        try
        {
            threads_.emplace_back([this] { run(); });
        }
        catch (...)
        {
            break; // fewer workers still work
        }
    }
}

WorkerPool::~WorkerPool()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& thread : threads_)
        thread.join();
}

void WorkerPool::submit(std::function<void()> task)
{
    {
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    wake_.notify_one();
}

void WorkerPool::run()
{
    for (;;)
    {
        std::function<void()> task;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !tasks_.empty(); });
            if (tasks_.empty())
                return;
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        task();
    }
}
} // namespace zipengine
