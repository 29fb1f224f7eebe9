// The zip engine keeps its last results in process-wide slots and is meant for one thread at
// a time; the service's request and worker threads take this lock around every use of it.
#pragma once

#include <mutex>

namespace lirno::service
{
inline std::mutex& ZipEngineMutex()
{
    static std::mutex mutex;
    return mutex;
}
} // namespace lirno::service
