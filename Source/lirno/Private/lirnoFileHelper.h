// The project's localization targets and files: where they are, how they are packed for the
// service, and how the returned package is applied. All operations are stateless and read the
// host's settings afresh.
#pragma once

#include "Localization.h"
#include "lirnoApplyTally.h"
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

// One file of the upload: its entry name in the package and what it is.
struct FUploadedFile
{
    std::string EntryName;  // target/manifest or target/culture/archive
    std::string SourcePath; // the file that was packed
    bool bManifest = false;
};

struct FUploadPackage
{
    std::string File; // the shifted upload file
    std::vector<FUploadedFile> Files;
};

// What applying a returned package did. Either the whole package was refused (nothing written,
// `Refusal` says why) or every file that changed was committed together.
struct FApplyReport
{
    std::string Refusal;
    FApplyTally Tally;
    std::size_t FilesWritten = 0;

    bool IsRefused() const { return !Refusal.empty(); }
};

class lirnoFileHelper
{
public:
    static TTargetMap<std::vector<std::string>> GetTargetCultures();
    // Targets whose native culture index is out of range are left out rather than guessed.
    static TTargetMap<std::string> GetNativeCultures();
    static TResult<FTargetFiles> ResolveTargetFiles(const host::FLocalizationTarget& target);

    // Packs every game target into the backup and the protected upload archive and writes
    // the shifted upload file; gives its path and the files it holds, or the reason nothing may
    // be uploaded.
    static TResult<FUploadPackage> BuildUploadPackage(std::uint32_t jobNumber);
    // Applies an un-shifted package file over the localization folder, checked entry by entry
    // against the upload kept in the backup archive and against edits made on disk meanwhile.
    static FApplyReport ApplyResultPackage(const std::string& packageFile, const std::vector<FUploadedFile>& uploaded,
                                           bool bTranslateAll);
    static void UnshiftResultPackage(std::span<std::uint8_t> bytes);

    // The project's lock file: a job holds it from packaging to the end of its apply, so one job
    // per project runs across editors; recovering an interrupted apply needs it too.
    static std::string ProjectLockPath();
    static std::string BackupArchivePath();
    static std::string ProcessedFilePath();

    // The project directory joined with "Content/Localization", without a trailing separator.
    static std::string LocalizationFolder();
    // Appends with one "/" between the parts unless one is already there.
    static std::string JoinPath(std::string_view left, std::string_view right);
    // False for names that are absolute or climb out of the folder they are extracted into.
    static bool IsContainedEntryName(std::string_view name);
};

// The plug-in's own files in the localization folder; a returned package may never replace them.
inline constexpr std::string_view BackupArchiveName = "lirno_bak.zip";
inline constexpr std::string_view UploadArchiveName = "lirno_upload.zip";
inline constexpr std::string_view UploadFileName = "lirno_upload_tmp.bin";
inline constexpr std::string_view ProcessedFileName = "lirno_tmp_processed.bin";
inline constexpr std::string_view OwnFileNames[] = {BackupArchiveName, UploadArchiveName, UploadFileName,
                                                    ProcessedFileName};
} // namespace lirno
