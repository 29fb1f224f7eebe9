// The project's localization targets and files: where they are, how they are packed for the
// service, and how the returned package is applied. All operations are stateless and read the
// host's settings afresh.
#pragma once

#include "Localization.h"
#include "lirnoResult.h"
#include "lirnoTargetMap.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lirno
{
// A target's files as its gather-text configuration names them.
struct FTargetFiles
{
    std::string SourceFolder;
    std::string ManifestName;
    std::string ArchiveName;
};

// What applying a returned package achieved. The job only reports success when every entry
// of a package that could be opened was written.
struct FApplyReport
{
    bool bOpened = false;
    std::vector<std::string> Failed;  // entries the reader could not write
    std::vector<std::string> Refused; // entries whose names lead out of the localization folder

    bool IsComplete() const { return bOpened && Failed.empty() && Refused.empty(); }
};

class lirnoFileHelper
{
public:
    static TTargetMap<std::vector<std::string>> GetTargetCultures();
    // Targets whose native culture index is out of range are left out rather than guessed.
    static TTargetMap<std::string> GetNativeCultures();
    static TResult<FTargetFiles> ResolveTargetFiles(const host::FLocalizationTarget& target);

    // Packs every game target into the backup and the protected upload archive and writes
    // the shifted upload file; gives its path, or the reason nothing may be uploaded.
    static TResult<std::string> BuildUploadPackage(std::uint32_t jobNumber);
    // Un-shifts the processed file in place and extracts it over the localization folder.
    static FApplyReport ApplyResultPackage(const std::string& processedFile);
    // Extracts an already un-shifted package file over the localization folder.
    static FApplyReport ExtractResultPackage(const std::string& packageFile);
    static void UnshiftResultPackage(std::span<std::uint8_t> bytes);

    // The project directory joined with "Content/Localization", without a trailing separator.
    static std::string LocalizationFolder();
    // Appends with one "/" between the parts unless one is already there.
    static std::string JoinPath(std::string_view left, std::string_view right);
    // False for names that are absolute or climb out of the folder they are extracted into.
    static bool IsContainedEntryName(std::string_view name);
};

inline constexpr std::uint8_t UploadShift = 33;
inline constexpr std::uint8_t ResultShift = 67;

// Adds `amount` to every byte, modulo 256.
void ShiftBytes(std::span<std::uint8_t> bytes, std::uint8_t amount);
} // namespace lirno
