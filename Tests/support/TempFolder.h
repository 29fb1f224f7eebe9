// The one temporary folder of the tests: a fresh folder of its own under the system's temporary
// folder, removed with everything in it at the end, so that test runs side by side never share
// files.
#pragma once

#include <filesystem>
#include <string>

namespace testsupport
{
class FTempFolder
{
public:
    enum class EKeep
    {
        Never,
        // A failed test keeps the folder for a look and names it on standard error.
        OnFailure,
    };

    // Makes "<prefix>-XXXXXX"; the prefix says whose a left-over folder is. Throws when no folder
    // can be made, which fails the test that asked for it.
    explicit FTempFolder(const std::string& prefix, EKeep keep = EKeep::Never);
    ~FTempFolder();
    FTempFolder(const FTempFolder&) = delete;
    FTempFolder& operator=(const FTempFolder&) = delete;

    const std::filesystem::path& Path() const { return Dir; }
    std::filesystem::path operator/(const std::filesystem::path& relative) const { return Dir / relative; }

private:
    std::filesystem::path Dir;
    EKeep Keep;
};
} // namespace testsupport
