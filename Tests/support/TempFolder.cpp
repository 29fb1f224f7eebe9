#include "TempFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <system_error>

namespace testsupport
{
namespace fs = std::filesystem;

FTempFolder::FTempFolder(const std::string& prefix, EKeep keep) : Keep(keep)
{
    std::string pattern = (fs::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr)
    {
        throw std::system_error(errno, std::generic_category(), "cannot make a temporary folder " + pattern);
    }
    Dir = pattern;
}

FTempFolder::~FTempFolder()
{
    if (Keep == EKeep::OnFailure && ::testing::Test::HasFailure())
    {
        std::fprintf(stderr, "kept %s\n", Dir.c_str());
        return;
    }
    // Tests take rights away from files and folders; give the owner's back so that all can go.
    std::error_code ec;
    fs::permissions(Dir, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(Dir, ec);
    if (!ec)
    {
        return;
    }
    for (auto it = fs::recursive_directory_iterator(Dir, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec))
    {
        if (it->is_directory(ec))
        {
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
        }
    }
    fs::remove_all(Dir, ec);
}
} // namespace testsupport
