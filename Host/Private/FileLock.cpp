// An advisory lock between processes: flock on a file that is never deleted, since deleting
// it would let a waiting process lock a file that no longer has the name.
#include "Paths.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <system_error>
#include <unistd.h>

namespace host
{
std::unique_ptr<FFileLock> FFileLock::TryAcquire(const std::string& path, std::string& error)
{
    error.clear();
    std::error_code ec;
    const std::filesystem::path file(path);
    if (file.has_parent_path())
    {
        std::filesystem::create_directories(file.parent_path(), ec);
    }
    // Close-on-exec: a child process (a localization step) must not keep the lock alive after
    // this process is gone.
    const int descriptor = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (descriptor < 0)
    {
        error = "The lock file " + path + " cannot be opened: " + std::strerror(errno) + ".";
        return nullptr;
    }
    int result = ::flock(descriptor, LOCK_EX | LOCK_NB);
    // A non-blocking flock hardly ever sees a signal; a few retries are plenty.
    for (int attempt = 0; result != 0 && errno == EINTR && attempt < 8; ++attempt)
    {
        result = ::flock(descriptor, LOCK_EX | LOCK_NB);
    }
    if (result != 0)
    {
        const int failure = errno;
        ::close(descriptor);
        error = failure == EWOULDBLOCK
                    ? "The lock file " + path + " is held by another process."
                    : "The lock file " + path + " cannot be locked: " + std::strerror(failure) + ".";
        return nullptr;
    }
    return std::unique_ptr<FFileLock>(new FFileLock(descriptor));
}

FFileLock::~FFileLock()
{
    ::flock(Descriptor, LOCK_UN);
    ::close(Descriptor);
}
} // namespace host
