// POSIX implementation of the platform file.
#include "platform.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zipengine::platform
{
namespace
{
int open_retrying(const char* path, int flags, mode_t mode)
{
    int fd;
    do
        fd = ::open(path, flags | O_CLOEXEC, mode);
    while (fd < 0 && errno == EINTR);
    return fd;
}
} // namespace

int open_read(const std::string& path)
{
    const int fd = open_retrying(path.c_str(), O_RDONLY, 0);
    if (fd < 0)
        return InvalidFile;
    // Reading a folder as an archive or a source makes no sense; refuse it at the door.
    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode))
    {
        ::close(fd);
        return InvalidFile;
    }
    return fd;
}

int create_truncate(const std::string& path)
{
    const int fd = open_retrying(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    return fd < 0 ? InvalidFile : fd;
}

int create_exclusive(const std::string& path)
{
    const int fd = open_retrying(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
    return fd < 0 ? InvalidFile : fd;
}

void close_file(int fd)
{
    if (fd >= 0)
        ::close(fd);
}

std::int64_t read(int fd, void* data, std::size_t size)
{
    ssize_t n;
    do
        n = ::read(fd, data, size);
    while (n < 0 && errno == EINTR);
    return n;
}

std::int64_t read_at(int fd, std::uint64_t position, void* data, std::size_t size)
{
    ssize_t n;
    do
        n = ::pread(fd, data, size, static_cast<off_t>(position));
    while (n < 0 && errno == EINTR);
    return n;
}

bool write_all(int fd, const void* data, std::size_t size)
{
    const auto* p = static_cast<const char*>(data);
    while (size > 0)
    {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool write_all_at(int fd, std::uint64_t position, const void* data, std::size_t size)
{
    const auto* p = static_cast<const char*>(data);
    while (size > 0)
    {
        const ssize_t n = ::pwrite(fd, p, size, static_cast<off_t>(position));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        size -= static_cast<std::size_t>(n);
        position += static_cast<std::uint64_t>(n);
    }
    return true;
}

std::int64_t tell(int fd)
{
    const off_t position = ::lseek(fd, 0, SEEK_CUR);
    return position < 0 ? -1 : position;
}

bool seek(int fd, std::uint64_t position)
{
    return ::lseek(fd, static_cast<off_t>(position), SEEK_SET) >= 0;
}

std::int64_t end_position(int fd)
{
    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return -1;
    return st.st_size;
}

bool file_info(int fd, FileInfo& info)
{
    struct statx sx
    {
    };
    if (::statx(fd, "", AT_EMPTY_PATH, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0)
        return false;
    info.directory = S_ISDIR(sx.stx_mode);
    info.read_only = (sx.stx_mode & S_IWUSR) == 0;
    info.executable = !info.directory && (sx.stx_mode & S_IXUSR) != 0;
    info.size = sx.stx_size;
    info.access_time = sx.stx_atime.tv_sec;
    info.write_time = sx.stx_mtime.tv_sec;
    info.creation_time = (sx.stx_mask & STATX_BTIME) ? sx.stx_btime.tv_sec : sx.stx_mtime.tv_sec;
    return true;
}

bool set_file_times(int fd, std::int64_t access_s, std::int32_t access_ns, std::int64_t write_s,
                    std::int32_t write_ns)
{
    const timespec times[2] = {{static_cast<time_t>(access_s), access_ns},
                               {static_cast<time_t>(write_s), write_ns}};
    return ::futimens(fd, times) == 0;
}

bool make_read_only(int fd)
{
    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0)
        return false;
    return ::fchmod(fd, st.st_mode & 07555) == 0;
}

PathKind path_kind(const std::string& path)
{
    struct stat st
    {
    };
    if (::lstat(path.c_str(), &st) != 0)
        return PathKind::Missing;
    if (S_ISDIR(st.st_mode))
        return PathKind::Directory;
    if (S_ISREG(st.st_mode))
        return (st.st_mode & S_IWUSR) ? PathKind::File : PathKind::ReadOnlyFile;
    return PathKind::Other;
}

bool make_directory(const std::string& path)
{
    return ::mkdir(path.c_str(), 0777) == 0 || errno == EEXIST;
}

bool rename_over(const std::string& from, const std::string& to)
{
    return ::rename(from.c_str(), to.c_str()) == 0;
}

void remove_file(const std::string& path)
{
    ::unlink(path.c_str());
}

std::string current_directory()
{
    std::string path(4096, '\0');
    if (::getcwd(path.data(), path.size()) == nullptr)
        return ".";
    path.resize(path.find('\0'));
    return path;
}

void* map_anonymous(std::size_t size)
{
    void* p = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return p == MAP_FAILED ? nullptr : p;
}

void unmap(void* data, std::size_t size)
{
    if (data != nullptr)
        ::munmap(data, size);
}

std::int64_t now_seconds()
{
    return static_cast<std::int64_t>(::time(nullptr));
}

bool local_calendar(std::int64_t seconds, std::tm& out)
{
    const time_t t = static_cast<time_t>(seconds);
    return ::localtime_r(&t, &out) != nullptr;
}

bool utc_calendar(std::int64_t seconds, std::tm& out)
{
    const time_t t = static_cast<time_t>(seconds);
    return ::gmtime_r(&t, &out) != nullptr;
}

bool from_local_calendar(const std::tm& calendar, std::int64_t& seconds)
{
    // mktime re-reads the zone file on every call; the offset from localtime_r is as good
    // and costs no system call per item.
    std::tm copy = calendar;
    const time_t as_utc = ::timegm(&copy);
    std::tm local{};
    if (::localtime_r(&as_utc, &local) == nullptr)
        return false;
    time_t t = as_utc - local.tm_gmtoff;
    // Near a daylight-saving change the offset at the result may differ; one step settles it.
    if (::localtime_r(&t, &local) == nullptr)
        return false;
    seconds = as_utc - local.tm_gmtoff;
    return true;
}

std::uint64_t tick_milliseconds()
{
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::uint64_t>(ts.tv_sec) * 1000u + static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
}

std::uint32_t process_id()
{
    static const auto pid = static_cast<std::uint32_t>(::getpid());
    return pid;
}
} // namespace zipengine::platform

namespace zipengine::platform
{
bool valid_handle(int fd)
{
    return fd >= 0 && ::fcntl(fd, F_GETFD) != -1;
}
} // namespace zipengine::platform
