#include "LocFormat/FileIo.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>
#include <unistd.h>

namespace locformat
{
namespace fs = std::filesystem;

bool ReadFileText(const std::string& path, std::string& text, std::string& error)
{
    text.clear();
    std::error_code ec;
    if (fs::is_directory(path, ec))
    {
        error = path + ": is a folder, not a file";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in)
    {
        error = path + ": cannot be opened (" + std::strerror(errno) + ")";
        return false;
    }
    std::ostringstream buffer;
    buffer << in.rdbuf();
    if (in.bad())
    {
        error = path + ": cannot be read";
        return false;
    }
    text = std::move(buffer).str();
    return true;
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string& error)
{
    std::error_code ec;
    const fs::path target(path);
    if (target.has_parent_path())
    {
        fs::create_directories(target.parent_path(), ec);
        if (ec)
        {
            error = path + ": cannot create its folder (" + ec.message() + ")";
            return false;
        }
    }
    // The process id keeps two writers of the same file from sharing a temporary.
    const std::string temporary = path + ".tmp" + std::to_string(::getpid());
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out)
        {
            error = path + ": cannot be written (" + std::strerror(errno) + ")";
            return false;
        }
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out)
        {
            out.close();
            fs::remove(temporary, ec);
            error = path + ": cannot be written";
            return false;
        }
    }
    fs::rename(temporary, target, ec);
    if (ec)
    {
        fs::remove(temporary, ec);
        error = path + ": cannot be replaced (" + ec.message() + ")";
        return false;
    }
    return true;
}
} // namespace locformat
