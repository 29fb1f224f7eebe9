// Applying the returned package. Everything the service sent is read and judged before anything
// is written: the package as a whole (entry count, declared sizes, free space), then each file
// against the version that was uploaded and the one on disk now. Files that change are staged
// beside their targets and committed together under a journal, so the project ends up all as
// before or all as after.
#include "AsciiCase.h"
#include "Host.h"
#include "lirnoApplyJournal.h"
#include "lirnoArchiveMerge.h"
#include "lirnoFileHelper.h"
#include "lirnoNameList.h"
#include "lirnoProtocol.h"
#include "lirnoWidePath.h"
#include "zip.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <future>
#include <memory>
#include <new>
#include <optional>
#include <set>
#include <system_error>
#include <unordered_map>

namespace lirno
{
namespace
{
// A service may add a few files of its own (markers, reports) beside the ones it was sent.
constexpr std::size_t ExtraEntryAllowance = 16;
constexpr std::uint64_t MaxUnpackedBytes = std::uint64_t{4} << 30;
constexpr std::uint64_t MaxExpansion = 100;

std::string EntryName(const ZipEntry& entry)
{
    std::size_t length = 0;
    while (length < std::size(entry.name) && entry.name[length] != 0)
    {
        ++length;
    }
    std::string name = FromWide(std::u16string_view(entry.name, length));
    std::replace(name.begin(), name.end(), '\\', '/');
    return name;
}

std::string ZipMessage(ZipResult code)
{
    char text[128];
    zip_format_result(code, text, sizeof text);
    return text;
}

// The plug-in's own files in the localization folder, and its staging and journal files
// anywhere below it: a package may never replace them.
bool IsReservedName(std::string_view name)
{
    const std::string lower = host::ToLowerAscii(name);
    const std::string_view base = std::string_view(lower).substr(lower.rfind('/') + 1);
    return std::find(std::begin(OwnFileNames), std::end(OwnFileNames), lower) != std::end(OwnFileNames) ||
           base.starts_with(ProcessedFileName) || lirnoApplyJournal::IsOwnName(lower);
}

bool IsSameFile(const std::string& a, const std::string& b)
{
    return std::filesystem::path(a).lexically_normal() == std::filesystem::path(b).lexically_normal();
}

bool HasControlCharacters(std::string_view name)
{
    return std::any_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

// A reader handle that is always closed.
class FZipReader
{
public:
    FZipReader() = default;
    FZipReader(const FZipReader&) = delete;
    FZipReader& operator=(const FZipReader&) = delete;
    ~FZipReader()
    {
        if (Handle)
        {
            zip_close_any(Handle);
        }
    }

    bool Open(const std::string& path)
    {
        Handle = unzip_open_file(ToWide(path).c_str(), nullptr);
        return Handle != nullptr;
    }

    std::int32_t Count()
    {
        ZipEntry entry{};
        return unzip_get_item(Handle, -1, &entry) == zip_result::Ok ? entry.index : -1;
    }

    ZipResult Describe(std::int32_t index, ZipEntry& entry) { return unzip_get_item(Handle, index, &entry); }

    std::optional<std::int32_t> Find(const std::string& name)
    {
        std::int32_t index = -1;
        ZipEntry entry{};
        if (unzip_find_item(Handle, ToWide(name).c_str(), false, &index, &entry) != zip_result::Ok)
        {
            return std::nullopt;
        }
        return index;
    }

    // The item's bytes, never more than it declares; an item that cannot be held is a failure.
    ZipResult Read(std::int32_t index, std::uint32_t declaredSize, std::string& bytes)
    {
        try
        {
            bytes.assign(declaredSize, '\0');
        }
        catch (const std::bad_alloc&)
        {
            return zip_result::AllocFailed;
        }
        return declaredSize == 0 ? zip_result::Ok : unzip_item_to_memory(Handle, index, bytes.data(), declaredSize);
    }

private:
    ZipHandle* Handle = nullptr;
};

// Runs `work` on a thread of its own, or later on the caller's when no thread can be had.
template <class F> auto RunAside(F work) -> std::future<decltype(work())>
{
    const auto shared = std::make_shared<F>(std::move(work));
    try
    {
        return std::async(std::launch::async, [shared] { return (*shared)(); });
    }
    catch (const std::system_error&)
    {
        return std::async(std::launch::deferred, [shared] { return (*shared)(); });
    }
}

// The returned and the uploaded version are read side by side: parsing is most of the checks'
// cost, and the two are independent.
std::pair<bool, bool> ParseBoth(const std::string& firstText, host::FLocArchive& first, std::string& firstError,
                                const std::string& secondText, host::FLocArchive& second, std::string& secondError,
                                const std::string& name)
{
    auto secondRead = RunAside([&] { return host::LocFiles::ParseArchive(secondText, name, second, secondError); });
    const bool bFirst = host::LocFiles::ParseArchive(firstText, name, first, firstError);
    return {bFirst, secondRead.get()};
}

// What one returned archive comes to: the notes it earns and the text to write, if any.
struct FArchiveDecision
{
    FApplyTally Tally;
    std::optional<std::string> Write;
};

bool ToText(const host::FLocArchive& archive, const std::string& name, std::string& text, FApplyTally& tally)
{
    std::string error;
    if (host::LocFiles::ArchiveToText(archive, text, error))
    {
        return true;
    }
    tally.Note(EApplyNote::UnreadableFile, name, {}, {}, error);
    return false;
}

// Judges a returned archive that differs from the upload, against the upload and the disk.
FArchiveDecision DecideArchive(const std::string& name, std::string returned, const std::string& uploaded,
                               const std::optional<std::string>& onDisk, bool bTranslateAll)
{
    FArchiveDecision decision;
    FApplyTally& tally = decision.Tally;
    host::FLocArchive theirs;
    host::FLocArchive base;
    std::string error;
    std::string baseError;
    const auto [bTheirsRead, bBaseRead] = ParseBoth(returned, theirs, error, uploaded, base, baseError, name);
    if (!bTheirsRead)
    {
        tally.Note(EApplyNote::UnreadableFile, name, {}, {}, error);
        return decision;
    }
    if (!bBaseRead)
    {
        tally.Note(EApplyNote::UnreadableFile, name, {}, {}, "the uploaded version: " + baseError);
        return decision;
    }
    if (theirs.Target != base.Target || theirs.Culture != base.Culture)
    {
        tally.Note(EApplyNote::WrongTargetOrCulture, name, {}, {},
                   "target " + theirs.Target + ", culture " + theirs.Culture);
        return decision;
    }
    const FCheckedArchive checked = CheckReturnedArchive(base, std::move(theirs), bTranslateAll, name, tally);
    std::string accepted;
    if (checked.bAllAccepted)
    {
        accepted = std::move(returned);
    }
    else if (!ToText(checked.Archive, name, accepted, tally))
    {
        return decision;
    }
    if (!onDisk || *onDisk == uploaded)
    {
        decision.Write = std::move(accepted);
    }
    else if (*onDisk != accepted)
    {
        // Changed on disk while the service worked: merged so that no local edit is lost.
        host::FLocArchive ours;
        if (!host::LocFiles::ParseArchive(*onDisk, name, ours, error))
        {
            tally.Note(EApplyNote::LocalEditKept, name, {}, {},
                       "the file changed on disk and cannot be read to merge: " + error);
            return decision;
        }
        std::string merged;
        if (ToText(MergeLocalEdits(base, ours, checked.Archive, name, tally), name, merged, tally))
        {
            decision.Write = std::move(merged);
        }
    }
    if (decision.Write && onDisk && *decision.Write == *onDisk)
    {
        decision.Write.reset();
    }
    return decision;
}

class FApplyRun
{
public:
    FApplyRun(const std::vector<FUploadedFile>& uploaded, bool bTranslateAllSetting)
        : Folder(lirnoFileHelper::LocalizationFolder()), bTranslateAll(bTranslateAllSetting)
    {
        for (const FUploadedFile& file : uploaded)
        {
            Uploaded.emplace(file.EntryName, &file);
        }
    }
    FApplyRun(const FApplyRun&) = delete;
    FApplyRun& operator=(const FApplyRun&) = delete;
    // Whatever ends a run early (a refusal, an allocation failure) takes its staged files along.
    ~FApplyRun()
    {
        if (!bCommitted)
        {
            lirnoApplyJournal::Discard(Staged);
        }
    }

    FApplyReport Run(const std::string& packageFile)
    {
        FZipReader package;
        if (!package.Open(packageFile))
        {
            return Refused("the translated package could not be opened; no entry was applied.");
        }
        const std::int32_t count = package.Count();
        if (count < 0)
        {
            return Refused("the entry list of the translated package cannot be read; no entry was applied.");
        }
        if (static_cast<std::size_t>(count) > Uploaded.size() + ExtraEntryAllowance)
        {
            return Refused("the translated package holds " + std::to_string(count) + " entries for the " +
                          std::to_string(Uploaded.size()) + " files uploaded; no entry was applied.");
        }
        if (!CheckDeclaredSizes(package, count, packageFile))
        {
            return std::move(Report);
        }
        if (!Backup.Open(lirnoFileHelper::BackupArchivePath()))
        {
            return Refused("the backup archive of the upload " + lirnoFileHelper::BackupArchivePath() +
                          " cannot be read, so the answers cannot be checked; no entry was applied.");
        }
        for (std::int32_t i = 0; i < count && !Report.IsRefused(); ++i)
        {
            ApplyEntry(package, i);
        }
        FinishPendingArchive();
        if (!Report.IsRefused() && !bArchiveReturned)
        {
            Refuse("the service returned no translated archive; no entry was applied.");
        }
        if (!Report.IsRefused() && !Unwritable.empty())
        {
            Refuse("these files cannot be written (read-only or locked): " + ListNames(Unwritable) +
                   ". No entry was applied.");
        }
        if (Report.IsRefused())
        {
            return std::move(Report);
        }
        Commit();
        return std::move(Report);
    }

private:
    void Refuse(std::string why)
    {
        if (!Report.IsRefused())
        {
            Report.Refusal = std::move(why);
        }
    }

    // For the early ends of Run: the report leaves with the refusal.
    FApplyReport Refused(std::string why)
    {
        Refuse(std::move(why));
        return std::move(Report);
    }

    // Declared sizes are checked before anything is unpacked; the reader guarantees no item
    // yields more than it declares.
    bool CheckDeclaredSizes(FZipReader& package, std::int32_t count, const std::string& packageFile)
    {
        std::uint64_t total = 0;
        for (std::int32_t i = 0; i < count; ++i)
        {
            ZipEntry entry{};
            if (package.Describe(i, entry) != zip_result::Ok)
            {
                Refuse("the entry #" + std::to_string(i) + " of the translated package cannot be read (" +
                       ZipMessage(unzip_last_result()) + "); no entry was applied.");
                return false;
            }
            total += entry.uncompressed_size;
        }
        std::error_code error;
        const std::uint64_t packageSize = std::filesystem::file_size(packageFile, error);
        const std::uint64_t cap = std::min(MaxUnpackedBytes, std::max<std::uint64_t>(packageSize, 1) * MaxExpansion);
        if (total > cap)
        {
            Refuse("the translated package would unpack to " + std::to_string(total) + " bytes, more than the " +
                   std::to_string(cap) + " allowed for a package of " + std::to_string(packageSize) +
                   " bytes; no entry was applied.");
            return false;
        }
        if (const auto free = host::File::FreeSpace(Folder); free && total > *free)
        {
            Refuse("the translated package needs " + std::to_string(total) + " bytes but only " +
                   std::to_string(*free) + " are free in " + Folder + "; no entry was applied.");
            return false;
        }
        return true;
    }

    void ApplyEntry(FZipReader& package, std::int32_t index)
    {
        ZipEntry entry{};
        if (package.Describe(index, entry) != zip_result::Ok)
        {
            Refuse("the entry #" + std::to_string(index) + " of the translated package cannot be read; no entry "
                   "was applied.");
            return;
        }
        const std::string name = EntryName(entry);
        if (!lirnoFileHelper::IsContainedEntryName(name) || HasControlCharacters(name))
        {
            Report.Tally.Note(EApplyNote::OutsideFolder, name);
            return;
        }
        if (IsReservedName(name))
        {
            Report.Tally.Note(EApplyNote::ReservedName, name);
            return;
        }
        if (!Seen.insert(name).second)
        {
            Refuse("the translated package holds " + name + " twice; no entry was applied.");
            return;
        }
        if (name.ends_with('/'))
        {
            Folders.push_back(lirnoFileHelper::JoinPath(Folder, name));
            return;
        }
        std::string returned;
        if (const ZipResult read = package.Read(index, entry.uncompressed_size, returned); read != zip_result::Ok)
        {
            Refuse("the entry " + name + " of the translated package is damaged (" + ZipMessage(read) +
                   "); no entry was applied.");
            return;
        }
        const auto uploaded = Uploaded.find(name);
        if (uploaded == Uploaded.end())
        {
            // Not something the job sent: taken as the service gives it.
            Stage(name, returned, ReadDisk(name));
            return;
        }
        ApplyUploadedFile(*uploaded->second, std::move(returned));
    }

    std::optional<std::string> ReadDisk(const std::string& name)
    {
        std::string bytes;
        const std::string path = Target(name);
        std::error_code error;
        if (!host::File::Exists(path) || std::filesystem::is_directory(path, error))
        {
            return std::nullopt; // a folder in the way is refused when the file is staged
        }
        if (!host::File::ReadAllText(path, bytes))
        {
            // What cannot be read cannot be compared or merged: it must not be written over.
            Unwritable.push_back(path);
            return std::nullopt;
        }
        return bytes;
    }

    std::string Target(const std::string& name) const { return lirnoFileHelper::JoinPath(Folder, name); }

    void FinishPendingArchive()
    {
        if (!PendingArchive.valid())
        {
            return;
        }
        FArchiveDecision decision = PendingArchive.get();
        Report.Tally.Append(std::move(decision.Tally));
        if (decision.Write && !Report.IsRefused())
        {
            Stage(PendingName, *decision.Write, std::nullopt);
        }
    }

    void ApplyUploadedFile(const FUploadedFile& file, std::string returned)
    {
        const std::string& name = file.EntryName;
        bArchiveReturned = bArchiveReturned || !file.bManifest;
        std::string uploaded;
        const auto index = Backup.Find(name);
        ZipEntry entry{};
        if (!index || Backup.Describe(*index, entry) != zip_result::Ok ||
            Backup.Read(*index, entry.uncompressed_size, uploaded) != zip_result::Ok)
        {
            Refuse("the backup archive of the upload does not hold " + name + "; no entry was applied.");
            return;
        }
        std::optional<std::string> onDisk = ReadDisk(name);
        if (!onDisk && IsSameFile(Target(name), file.SourcePath))
        {
            // Deleted in the project while the service worked: the deletion stands.
            Report.Tally.Note(EApplyNote::LocalEditKept, name, {}, {}, "deleted during the translation");
            return;
        }
        if (returned == uploaded)
        {
            // Nothing translated in it; only a file missing locally is written.
            if (!onDisk)
            {
                Stage(name, returned, onDisk);
            }
            return;
        }
        if (file.bManifest)
        {
            ApplyManifest(name, returned, uploaded, onDisk);
        }
        else
        {
            // Judged aside while the next entry is read; written in the order of the package.
            FinishPendingArchive();
            PendingName = name;
            PendingArchive = RunAside(
                [name, returned = std::move(returned), uploaded = std::move(uploaded), onDisk = std::move(onDisk),
                 bAll = bTranslateAll]() mutable { return DecideArchive(name, std::move(returned), uploaded, onDisk, bAll); });
        }
    }

    void ApplyManifest(const std::string& name, const std::string& returned, const std::string& uploaded,
                       const std::optional<std::string>& onDisk)
    {
        host::FLocManifest theirs;
        host::FLocManifest base;
        std::string error;
        if (!host::LocFiles::ParseManifest(returned, name, theirs, error))
        {
            Report.Tally.Note(EApplyNote::UnreadableFile, name, {}, {}, error);
            return;
        }
        if (!host::LocFiles::ParseManifest(uploaded, name, base, error))
        {
            Report.Tally.Note(EApplyNote::UnreadableFile, name, {}, {}, "the uploaded version: " + error);
            return;
        }
        if (theirs.Target != base.Target)
        {
            Report.Tally.Note(EApplyNote::WrongTargetOrCulture, name, {}, {}, "target " + theirs.Target);
            return;
        }
        // The sources are the project's own: a manifest is only ever written where none is.
        if (CheckReturnedManifest(base, theirs, name, Report.Tally) && !onDisk)
        {
            Stage(name, returned, onDisk);
        }
    }

    // Writes the new content beside the target, unless the target already holds it.
    void Stage(const std::string& name, const std::string& bytes, const std::optional<std::string>& onDisk)
    {
        if (onDisk && *onDisk == bytes)
        {
            return;
        }
        const std::string target = Target(name);
        std::error_code error;
        if (std::filesystem::is_directory(target, error) || !host::File::IsWritable(target))
        {
            Unwritable.push_back(target);
            return;
        }
        const FStagedFile staged{target, lirnoApplyJournal::StagedPathFor(target)};
        const std::span data(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        if (!host::File::WriteAllDurably(staged.Staged, data))
        {
            Refuse(staged.Staged + " could not be written (is the disk full?); no entry was applied.");
            return;
        }
        Staged.push_back(staged);
    }

    void Commit()
    {
        std::string error;
        // From here the journal owns the staged files: a failed commit is completed at start-up.
        bCommitted = true;
        if (!Staged.empty() && !lirnoApplyJournal::Commit(Folder, Staged, error))
        {
            Refuse("the translated files could not be committed: " + error);
            return;
        }
        for (const std::string& folder : Folders)
        {
            std::error_code ignored;
            std::filesystem::create_directories(folder, ignored);
        }
        Report.FilesWritten = Staged.size();
    }

    const std::string Folder;
    const bool bTranslateAll;
    std::unordered_map<std::string, const FUploadedFile*> Uploaded;
    FZipReader Backup;
    FApplyReport Report;
    std::set<std::string> Seen;
    std::vector<FStagedFile> Staged;
    std::vector<std::string> Unwritable;
    std::vector<std::string> Folders;
    bool bArchiveReturned = false;
    bool bCommitted = false;
    std::string PendingName;
    std::future<FArchiveDecision> PendingArchive;
};
} // namespace

void lirnoFileHelper::UnshiftResultPackage(std::span<std::uint8_t> bytes)
{
    protocol::UnshiftBytes(bytes, protocol::ResultShift);
}

FApplyReport lirnoFileHelper::ApplyResultPackage(const std::string& packageFile,
                                                 const std::vector<FUploadedFile>& uploaded, bool bTranslateAll)
{
    try
    {
        return FApplyRun(uploaded, bTranslateAll).Run(packageFile);
    }
    catch (const std::bad_alloc&)
    {
        // Staged files of a run that ran out of memory are removed by the next start-up.
        FApplyReport report;
        report.Refusal = "the translated package is too large to check in memory; no entry was applied.";
        return report;
    }
}
} // namespace lirno
