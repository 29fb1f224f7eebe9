// The few operating-system calls the engine needs, behind one small interface so the rest
// stays portable. Paths are UTF-8; handles are file descriptors.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>

namespace zipengine::platform
{
inline constexpr int InvalidFile = -1;

int open_read(const std::string& path);
int create_truncate(const std::string& path);
// Creates a new file that must not exist yet; InvalidFile when it does or cannot be made.
int create_exclusive(const std::string& path);
void close_file(int fd);

// Bytes read (0 at the end), or -1 on failure.
std::int64_t read(int fd, void* data, std::size_t size);
// Reads at a position, leaving the file position alone.
std::int64_t read_at(int fd, std::uint64_t position, void* data, std::size_t size);
// True only when every byte was written.
bool write_all(int fd, const void* data, std::size_t size);
bool write_all_at(int fd, std::uint64_t position, const void* data, std::size_t size);
// Current position, or -1 when the file cannot seek.
std::int64_t tell(int fd);
bool seek(int fd, std::uint64_t position);
std::int64_t end_position(int fd);

struct FileInfo
{
    bool directory = false;
    bool read_only = false; // owner may not write
    bool executable = false;
    std::uint64_t size = 0;
    std::int64_t access_time = 0; // seconds since 1970
    std::int64_t write_time = 0;
    std::int64_t creation_time = 0; // birth time where the file system keeps one
};
bool file_info(int fd, FileInfo& info);

// Sets access and modification times (nanosecond parts included).
bool set_file_times(int fd, std::int64_t access_s, std::int32_t access_ns, std::int64_t write_s,
                    std::int32_t write_ns);
// Clears every write permission bit of an open file.
bool make_read_only(int fd);

enum class PathKind
{
    Missing,
    File,
    ReadOnlyFile,
    Directory,
    Other
};
PathKind path_kind(const std::string& path);
bool make_directory(const std::string& path);
bool rename_over(const std::string& from, const std::string& to);
void remove_file(const std::string& path);
std::string current_directory();

void* map_anonymous(std::size_t size);
void unmap(void* data, std::size_t size);

std::int64_t now_seconds();
bool local_calendar(std::int64_t seconds, std::tm& out);
bool utc_calendar(std::int64_t seconds, std::tm& out);
// Seconds since 1970 of a calendar time read as local time; false when it cannot be mapped.
bool from_local_calendar(const std::tm& calendar, std::int64_t& seconds);
std::uint64_t tick_milliseconds();
std::uint32_t process_id();
} // namespace zipengine::platform

namespace zipengine::platform
{
// True when fd names an open file description.
bool valid_handle(int fd);
} // namespace zipengine::platform
