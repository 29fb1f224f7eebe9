#include "Paths.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <system_error>
#include <unistd.h>

namespace host
{
namespace fs = std::filesystem;

std::string ConvertToAbsolutePath(const std::string& path)
{
    std::error_code ec;
    fs::path p(path);
    if (p.is_relative())
    {
        p = fs::current_path(ec) / p;
    }
    return p.lexically_normal().generic_string();
}

namespace
{
// The path itself when it exists, else its closest existing ancestor (the current folder for a
// relative path with none); symbolic links are followed, as opening the path would.
std::string NearestExisting(const std::string& path)
{
    std::error_code ec;
    fs::path current = fs::absolute(path, ec).lexically_normal();
    if (ec)
    {
        current = fs::path(path).lexically_normal();
    }
    // Each step drops one part, so this ends at the root.
    while (!fs::exists(current, ec) && current.has_relative_path())
    {
        current = current.parent_path();
    }
    return current.string();
}

bool WriteFully(int descriptor, std::span<const std::uint8_t> bytes)
{
    std::size_t done = 0;
    while (done < bytes.size())
    {
        const ssize_t n = ::write(descriptor, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
        {
            continue;
        }
        if (n <= 0)
        {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool SyncFolder(const fs::path& folder)
{
    const int descriptor = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0)
    {
        return false;
    }
    const bool synced = ::fsync(descriptor) == 0;
    ::close(descriptor);
    return synced;
}

// Checked for the effective user, the one that will open the file; a folder takes new entries
// only when it can be searched too.
bool CanWrite(const std::string& path, int mode = W_OK)
{
    return ::faccessat(AT_FDCWD, path.c_str(), mode, AT_EACCESS) == 0;
}

bool IsFolder(const std::string& path)
{
    struct stat info = {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// A bound on what one listing walks, so a runaway tree cannot hold the caller.
constexpr std::size_t MaxListedEntries = 100000;
} // namespace

namespace File
{
bool ReadAll(const std::string& path, std::vector<std::uint8_t>& bytes)
{
    bytes.clear();
    std::error_code ec;
    if (fs::is_directory(path, ec))
    {
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
    {
        return false;
    }
    // Read straight into the vector, sized from the file up front; a file that grows while it
    // is read is still read whole.
    const auto expected = fs::file_size(path, ec);
    std::size_t size = ec ? 0 : static_cast<std::size_t>(expected);
    std::size_t used = 0;
    for (;;)
    {
        if (used == size)
        {
            size = std::max<std::size_t>(used + 64 * 1024, size);
        }
        bytes.resize(size);
        const std::size_t n = std::fread(bytes.data() + used, 1, size - used, file);
        used += n;
        if (n == 0)
        {
            break;
        }
    }
    bytes.resize(used);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed)
    {
        bytes.clear();
        return false;
    }
    return true;
}

bool ReadAllText(const std::string& path, std::string& text)
{
    std::vector<std::uint8_t> bytes;
    const bool ok = ReadAll(path, bytes);
    text.assign(bytes.begin(), bytes.end());
    return ok;
}

bool WriteAll(const std::string& path, std::span<const std::uint8_t> bytes)
{
    std::error_code ec;
    const fs::path target(path);
    if (target.has_parent_path())
    {
        fs::create_directories(target.parent_path(), ec);
    }
    // Write beside the target and rename over it, so a failed write never leaves half a file.
    const fs::path temp = target.string() + ".tmp" + std::to_string(::getpid());
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out)
        {
            return false;
        }
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out)
        {
            out.close();
            fs::remove(temp, ec);
            return false;
        }
    }
    fs::rename(temp, target, ec);
    if (ec)
    {
        fs::remove(temp, ec);
        return false;
    }
    return true;
}

bool WriteAllText(const std::string& path, const std::string& text)
{
    return WriteAll(path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

bool Exists(const std::string& path)
{
    std::error_code ec;
    return fs::exists(path, ec);
}

bool Delete(const std::string& path)
{
    std::error_code ec;
    if (fs::is_directory(path, ec))
    {
        return false;
    }
    return fs::remove(path, ec);
}

bool WriteAllDurably(const std::string& path, std::span<const std::uint8_t> bytes)
{
    std::error_code ec;
    const fs::path target(path);
    if (target.has_parent_path())
    {
        fs::create_directories(target.parent_path(), ec);
    }
    const int descriptor = ::open(path.c_str(), O_CREAT | O_TRUNC | O_WRONLY | O_CLOEXEC, 0666);
    if (descriptor < 0)
    {
        return false;
    }
    struct stat info = {};
    const bool regular = ::fstat(descriptor, &info) == 0 && S_ISREG(info.st_mode);
    bool written = regular && WriteFully(descriptor, bytes) && ::fsync(descriptor) == 0;
    written = ::close(descriptor) == 0 && written;
    if (!written && regular)
    {
        // A staging file that is not whole must not be mistaken for one that is. Only a regular
        // file is removed: a device or pipe at this path is not ours to delete.
        ::unlink(path.c_str());
    }
    return written;
}

bool Rename(const std::string& from, const std::string& to)
{
    if (::rename(from.c_str(), to.c_str()) != 0)
    {
        return false;
    }
    // The rename lives in the folder's entries: until those reach the device a crash may undo it.
    return SyncFolder(fs::path(to).parent_path());
}

bool IsWritable(const std::string& path)
{
    struct stat info = {};
    if (::stat(path.c_str(), &info) == 0)
    {
        if (S_ISDIR(info.st_mode))
        {
            return CanWrite(path, W_OK | X_OK);
        }
        // Replacing a file is a rename inside its folder, so the folder must take writes too.
        const fs::path folder = fs::path(path).parent_path();
        return CanWrite(path) && CanWrite(folder.empty() ? "." : folder.string(), W_OK | X_OK);
    }
    const std::string existing = NearestExisting(path);
    return IsFolder(existing) && CanWrite(existing, W_OK | X_OK);
}

std::optional<std::uint64_t> FreeSpace(const std::string& path)
{
    struct statvfs info = {};
    if (::statvfs(NearestExisting(path).c_str(), &info) != 0)
    {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(info.f_bavail) * static_cast<std::uint64_t>(info.f_frsize);
}

std::vector<std::string> ListFiles(const std::string& folder)
{
    std::vector<std::string> files;
    std::error_code ec;
    // Linked folders are not entered (the default), so a link cannot lead the walk out of the
    // folder or round in a cycle; only plain files are listed, never links to files.
    fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
    std::size_t visited = 0;
    for (; !ec && it != fs::recursive_directory_iterator() && visited < MaxListedEntries; it.increment(ec))
    {
        ++visited;
        std::error_code entryError;
        if (it->symlink_status(entryError).type() == fs::file_type::regular)
        {
            files.push_back(it->path().string());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}
} // namespace File
} // namespace host
