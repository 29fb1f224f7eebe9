#include "Paths.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
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
} // namespace File
} // namespace host
