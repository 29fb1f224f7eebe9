// The real editor and plug-in against a translation service that misbehaves: answers that break
// the project's texts, damaged or oversized packages, bodies that never end, a disk that is full
// or read-only, an editor killed while it commits, two editors on one project. Every case checks
// the files on disk byte for byte, the exit status and the message the user sees.
#include "JobFixture.h"
#include "ScriptedService.h"
#include "lirnoProtocol.h"

#include <LocFormat/TextFiles.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <poll.h>
#include <sched.h>
#include <sys/inotify.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <zlib.h>

namespace e2e
{
namespace
{
namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr const char* EsGame = "Game/es/Game.archive";
constexpr const char* ProcessedFile = "lirno_tmp_processed.bin";
constexpr const char* BackupFile = "lirno_bak.zip";
constexpr const char* JournalFile = "lirno_apply.journal";
constexpr std::uint32_t MiB = 1u << 20;
// The editor's exit statuses: the job completed cleanly; it completed, but the log holds
// warnings (every answer not applied is one); it did not complete.
constexpr int Completed = 0;
constexpr int CompletedWithWarnings = 3;
constexpr int NotCompleted = 1;

using FFiles = std::map<std::string, std::string>; // entry name (relative path) -> bytes

// ---- localization texts ------------------------------------------------------------------------

bool IsArchive(const std::string& name)
{
    return name.ends_with(".archive");
}

locformat::FArchive ParsedArchive(const std::string& text, const std::string& name)
{
    locformat::FArchive archive;
    std::string error;
    EXPECT_TRUE(locformat::ParseArchive(text, name, archive, error)) << error;
    return archive;
}

std::string ArchiveText(const locformat::FArchive& archive)
{
    std::string text;
    std::string error;
    EXPECT_TRUE(locformat::ArchiveToJson(archive, text, error)) << error;
    return text;
}

locformat::FArchiveEntry& Entry(locformat::FArchive& archive, const std::string& key)
{
    locformat::FArchiveEntry* entry = archive.Find("Dialogue", key);
    if (!entry)
    {
        ADD_FAILURE() << "no entry Dialogue/" << key << " in " << archive.Target << "/" << archive.Culture;
        static locformat::FArchiveEntry none;
        return none;
    }
    return *entry;
}

// What a well-behaved service sends back: every empty translation filled with a text that keeps
// its source's placeholders and markup; manifests and existing translations as uploaded.
std::vector<FPackageFile> TranslatedFiles(const FUpload& upload)
{
    std::vector<FPackageFile> files;
    for (const FPackageFile& file : upload.Files)
    {
        if (!IsArchive(file.Name))
        {
            files.push_back(file);
            continue;
        }
        locformat::FArchive archive = ParsedArchive(file.Bytes, file.Name);
        for (auto& entry : archive.Entries)
        {
            if (entry.Translation.empty())
            {
                entry.Translation = "~" + entry.Source + "~";
            }
        }
        files.push_back({file.Name, ArchiveText(archive)});
    }
    return files;
}

FFiles AsMap(const std::vector<FPackageFile>& files)
{
    FFiles map;
    for (const FPackageFile& file : files)
    {
        map[file.Name] = file.Bytes;
    }
    return map;
}

// Small files the service adds beside the ones it was sent (the plug-in takes up to 16).
std::vector<FPackageFile> ExtraFiles(std::size_t count)
{
    std::vector<FPackageFile> files;
    for (std::size_t i = 0; i < count; ++i)
    {
        files.push_back(
            {"Game/Notes/Note" + std::to_string(i) + ".txt",
             "A note of the service, number " + std::to_string(i) + ".\n" + std::string(60, '.')});
    }
    return files;
}

std::size_t IndexOf(const std::vector<FPackageFile>& files, const std::string& name)
{
    const auto found =
        std::find_if(files.begin(), files.end(), [&](const auto& f) { return f.Name == name; });
    EXPECT_NE(found, files.end()) << name;
    return static_cast<std::size_t>(found - files.begin());
}

FReply TranslatedPackageReply(const FUpload& upload)
{
    return PackageReply(BuildPackage(TranslatedFiles(upload)));
}

// ---- files on disk -----------------------------------------------------------------------------

FFiles FilesBelow(const fs::path& folder)
{
    FFiles files;
    std::error_code error;
    std::size_t visited = 0;
    for (auto it = fs::recursive_directory_iterator(folder, error);
         !error && it != fs::recursive_directory_iterator() && ++visited < 100000; it.increment(error))
    {
        if (it->is_regular_file())
        {
            files[fs::relative(it->path(), folder).string()] = ReadFile(it->path().string());
        }
    }
    return files;
}

// Staged files, journals and temporary files of an apply or a write that did not finish.
std::vector<std::string> Leftovers(const fs::path& folder)
{
    std::vector<std::string> found;
    for (const auto& [name, bytes] : FilesBelow(folder))
    {
        const std::string base = fs::path(name).filename().string();
        if (name.find(".lirno-stage") != std::string::npos || base.starts_with(JournalFile) ||
            base.find(".tmp") != std::string::npos || base.starts_with(".zipx-"))
        {
            found.push_back(name);
        }
    }
    return found;
}

::testing::AssertionResult SameBytes(const std::string& actual, const std::string& expected)
{
    if (actual == expected)
    {
        return ::testing::AssertionSuccess();
    }
    const auto at = static_cast<std::size_t>(
        std::mismatch(actual.begin(),
                      actual.begin() + static_cast<long>(std::min(actual.size(), expected.size())),
                      expected.begin())
            .first -
        actual.begin());
    const std::size_t from = at > 60 ? at - 60 : 0;
    return ::testing::AssertionFailure()
           << actual.size() << " bytes where " << expected.size() << " were expected, first difference at "
           << at << ":\n  found    \"" << actual.substr(from, 140) << "\"\n  expected \""
           << expected.substr(from, 140) << "\"";
}

::testing::AssertionResult Contains(const std::string& text, const std::string& needle)
{
    if (text.find(needle) != std::string::npos)
    {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "\"" << needle << "\" not found in:\n" << text;
}

std::uint64_t FreeBytes(const std::string& folder)
{
    struct statvfs info
    {
    };
    EXPECT_EQ(::statvfs(folder.c_str(), &info), 0) << std::strerror(errno);
    return static_cast<std::uint64_t>(info.f_bavail) * info.f_frsize;
}

std::uint64_t Pages(std::uint64_t bytes)
{
    return (bytes + 4095) / 4096 * 4096;
}

std::string Gzip(std::string_view data)
{
    z_stream stream{};
    EXPECT_EQ(deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY), Z_OK);
    std::string out(deflateBound(&stream, static_cast<uLong>(data.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

bool IsRoot()
{
    return ::geteuid() == 0;
}

// Mounts made by these tests live in a mount namespace of this thread and the processes it
// starts, so a test that dies leaves nothing mounted on the shared machine. Empty when entered.
std::string EnterPrivateMountNamespace()
{
    static const std::string error = []() -> std::string
    {
        if (::unshare(CLONE_NEWNS) != 0)
        {
            return std::string("unshare(CLONE_NEWNS): ") + std::strerror(errno);
        }
        if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        {
            return std::string("making the mounts private: ") + std::strerror(errno);
        }
        return {};
    }();
    return error;
}

// ---- the fixture -------------------------------------------------------------------------------

class HostileService : public JobFixture
{
protected:
    void TearDown() override
    {
        scripted_.reset();
        for (auto it = mounts_.rbegin(); it != mounts_.rend(); ++it)
        {
            EXPECT_EQ(::umount2(it->c_str(), MNT_DETACH), 0) << *it << ": " << std::strerror(errno);
        }
        JobFixture::TearDown();
    }

    // Starts the scripted service and points the project at it.
    void Serve(FScriptedService::FFinalAnswer answer)
    {
        scripted_ = std::make_unique<FScriptedService>(std::move(answer));
        port_ = scripted_->Port();
        Configure("e2e-key");
    }

    // What the job uploaded; the caller asserts that it did.
    FUpload Uploaded() { return scripted_->WaitForUpload(0ms).value_or(FUpload{}); }
    bool HasUploaded() { return scripted_->WaitForUpload(0ms).has_value(); }

    fs::path Localization() const { return LocalizationFolder(); }

    void ExpectFiles(const FFiles& expected)
    {
        for (const auto& [name, bytes] : expected)
        {
            EXPECT_TRUE(SameBytes(ReadFile((Localization() / name).string()), bytes)) << name;
        }
        EXPECT_EQ(Leftovers(Localization()), std::vector<std::string>{});
    }

    // Every uploaded file is as it was uploaded, and no other file was written but the
    // plug-in's own backup and received package.
    void ExpectNothingApplied(const FUpload& upload)
    {
        ASSERT_FALSE(upload.Files.empty());
        const FFiles onDisk = FilesBelow(Localization());
        const FFiles uploaded = AsMap(upload.Files);
        for (const auto& [name, bytes] : uploaded)
        {
            const auto found = onDisk.find(name);
            if (found == onDisk.end())
            {
                ADD_FAILURE() << name << " is gone";
                continue;
            }
            EXPECT_TRUE(SameBytes(found->second, bytes)) << name;
        }
        for (const auto& [name, bytes] : onDisk)
        {
            EXPECT_TRUE(uploaded.contains(name) || name == BackupFile || name == ProcessedFile)
                << "unexpected file " << name;
        }
    }

    // Makes one file unwritable: a read-only bind mount over it for root, whom permissions do
    // not stop; its permissions otherwise.
    void MakeUnwritable(const fs::path& file)
    {
        if (!IsRoot())
        {
            fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
            return;
        }
        ASSERT_EQ(::mount(file.c_str(), file.c_str(), nullptr, MS_BIND, nullptr), 0) << std::strerror(errno);
        mounts_.push_back(file.string());
        ASSERT_EQ(::mount(nullptr, file.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr), 0)
            << std::strerror(errno);
    }

    // A tmpfs of `size` over the localization folder, holding what the folder held.
    void MountSmallDisk(const std::string& size)
    {
        const fs::path shipped = work_ / "Localization.shipped";
        fs::rename(Localization(), shipped);
        fs::create_directory(Localization());
        ASSERT_EQ(::mount("tmpfs", Localization().c_str(), "tmpfs", 0, ("size=" + size).c_str()), 0)
            << std::strerror(errno);
        mounts_.push_back(Localization().string());
        fs::copy(shipped, Localization(), fs::copy_options::recursive);
        fs::remove_all(shipped);
    }

    std::unique_ptr<FScriptedService> scripted_;
    std::vector<std::string> mounts_;
};

// ---- answers checked entry by entry ------------------------------------------------------------

struct FEntryCase
{
    const char* Name;
    // The Game/es archive as the service returns it, made from its full translation.
    std::function<std::string(locformat::FArchive translated)> Returned;
    // Entries that must keep their uploaded form; every other entry takes the service's.
    std::vector<std::string> KeptKeys;
    bool bWholeFileKept = false;
    // The refusals as the closing message counts them; empty when nothing is refused.
    const char* Refusals = "";
    bool bTranslateAll = false;
};

void PrintTo(const FEntryCase& row, std::ostream* out)
{
    *out << row.Name;
}

class AnswersCheckedPerEntry : public HostileService, public ::testing::WithParamInterface<FEntryCase>
{
};

TEST_P(AnswersCheckedPerEntry, RefusedAnswersKeepTheLocalEntryAndTheRestIsApplied)
{
    const FEntryCase& row = GetParam();
    Serve(
        [&row](const FUpload& upload)
        {
            std::vector<FPackageFile> files = TranslatedFiles(upload);
            FPackageFile& es = files[IndexOf(files, EsGame)];
            es.Bytes = row.Returned(ParsedArchive(es.Bytes, EsGame));
            return PackageReply(BuildPackage(files));
        });
    if (row.bTranslateAll)
    {
        SetSetting("TranslateAll", "true");
    }
    const JobRun run = RunJob("--yes");
    ASSERT_TRUE(HasUploaded()) << run.output;
    const FUpload upload = Uploaded();
    EXPECT_EQ(upload.bTranslateAll, row.bTranslateAll);

    // The oracle: the full translation everywhere, the uploaded form where an answer is refused.
    FFiles expected = AsMap(TranslatedFiles(upload));
    const locformat::FArchive uploadedEs = ParsedArchive(upload.Bytes(EsGame), EsGame);
    const locformat::FArchive translatedEs = ParsedArchive(expected[EsGame], EsGame);
    if (row.bWholeFileKept)
    {
        expected[EsGame] = upload.Bytes(EsGame);
    }
    else if (row.KeptKeys.empty())
    {
        // Every answer accepted: the file as the service sent it.
        expected[EsGame] = row.Returned(translatedEs);
    }
    else
    {
        locformat::FArchive es = uploadedEs;
        for (std::size_t i = 0; i < es.Entries.size(); ++i)
        {
            const auto& keys = row.KeptKeys;
            if (std::find(keys.begin(), keys.end(), es.Entries[i].Key) == keys.end())
            {
                es.Entries[i] = translatedEs.Entries[i];
            }
        }
        expected[EsGame] = ArchiveText(es);
    }
    ASSERT_EQ(run.exit_code, *row.Refusals ? CompletedWithWarnings : Completed) << run.output;
    ExpectFiles(expected);

    long applied = 0;
    for (const FPackageFile& file : upload.Files)
    {
        if (IsArchive(file.Name))
        {
            const locformat::FArchive before = ParsedArchive(file.Bytes, file.Name);
            const locformat::FArchive after = ParsedArchive(expected[file.Name], file.Name);
            for (const auto& entry : after.Entries)
            {
                const auto* old = before.Find(entry.Namespace, entry.Key);
                applied += old && old->Translation != entry.Translation ? 1 : 0;
            }
        }
    }
    if (std::string(row.Refusals).empty())
    {
        EXPECT_EQ(run.output.find("applied with exceptions"), std::string::npos) << run.output;
    }
    else
    {
        EXPECT_TRUE(
            Contains(run.output, "message: Translation applied with exceptions: " + std::to_string(applied) +
                                     " translations applied, 0 local edits kept"));
        EXPECT_TRUE(Contains(run.output, std::string("(") + row.Refusals + ")."));
        EXPECT_TRUE(Contains(EditorLog(), std::string("Translation answer not applied:") + EsGame));
    }
    EXPECT_TRUE(Contains(run.output, std::string("message: ") + FinishedMessage));
}

INSTANTIATE_TEST_SUITE_P(
    Answers, AnswersCheckedPerEntry,
    ::testing::Values(
        FEntryCase{"GarbageArchive",
                   [](locformat::FArchive)
                   { return std::string("{\"FormatVersion\": 1, \"Target\": \"Game\", \"Entr"); },
                   {},
                   true,
                   "1 unreadable files"},
        FEntryCase{"OtherCulture",
                   [](locformat::FArchive a)
                   {
                       a.Culture = "de";
                       return ArchiveText(a);
                   },
                   {},
                   true,
                   "1 files of another target or culture"},
        FEntryCase{"OtherTarget",
                   [](locformat::FArchive a)
                   {
                       a.Target = "Menus";
                       return ArchiveText(a);
                   },
                   {},
                   true,
                   "1 files of another target or culture"},
        FEntryCase{"ChangedSource",
                   [](locformat::FArchive a)
                   {
                       Entry(a, "QuestOffer").Source += " Quickly!";
                       return ArchiveText(a);
                   },
                   {"QuestOffer"},
                   false,
                   "1 changed source texts"},
        FEntryCase{"ChangedKey",
                   [](locformat::FArchive a)
                   {
                       Entry(a, "QuestOffer").Key = "QuestOffered";
                       return ArchiveText(a);
                   },
                   {"QuestOffer"},
                   false,
                   "1 dropped entries, 1 unknown entries"},
        FEntryCase{"ChangedNamespace",
                   [](locformat::FArchive a)
                   {
                       Entry(a, "QuestAccepted").Namespace = "Dialog";
                       return ArchiveText(a);
                   },
                   {"QuestAccepted"},
                   false,
                   "1 dropped entries, 1 unknown entries"},
        FEntryCase{"DroppedEntry",
                   [](locformat::FArchive a)
                   {
                       std::erase_if(a.Entries, [](const auto& e) { return e.Key == "QuestAccepted"; });
                       return ArchiveText(a);
                   },
                   {"QuestAccepted"},
                   false,
                   "1 dropped entries"},
        FEntryCase{"EmptiedHumanTranslation",
                   [](locformat::FArchive a)
                   {
                       Entry(a, "Greeting").Translation.clear();
                       return ArchiveText(a);
                   },
                   {"Greeting"},
                   false,
                   "1 emptied translations"},
        FEntryCase{"ReplacedHumanTranslation",
                   [](locformat::FArchive a)
                   {
                       Entry(a, "Farewell").Translation = "Hasta la vista.";
                       return ArchiveText(a);
                   },
                   {"Farewell"},
                   false,
                   "1 existing translations kept"},
        FEntryCase{"ReplacedHumanTranslationWithTranslateAll",
                   [](locformat::FArchive a)
                   {
                       Entry(a, "Farewell").Translation = "Hasta la vista.";
                       return ArchiveText(a);
                   },
                   {},
                   false,
                   "",
                   true},
        FEntryCase{"BrokenPlaceholder",
                   [](locformat::FArchive a)
                   {
                       Entry(a, "NotEnoughGold").Translation = "Necesitas más oro.";
                       return ArchiveText(a);
                   },
                   {"NotEnoughGold"},
                   false,
                   "1 broken placeholders or markup"},
        FEntryCase{"BrokenMarkup",
                   [](locformat::FArchive a)
                   {
                       Entry(a, "ShopIntro").Translation = "¿Buscas algo? Hoy tengo <b>artículos raros</b>.";
                       return ArchiveText(a);
                   },
                   {"ShopIntro"},
                   false,
                   "1 broken placeholders or markup"}),
    [](const auto& row) { return std::string(row.param.Name); });

// ---- edits on disk during the job --------------------------------------------------------------

TEST_F(HostileService, AnArchiveEditedWhileTheServiceWorksKeepsTheEdits)
{
    Serve(TranslatedPackageReply);
    scripted_->Hold();
    auto job = StartJob("--yes");
    ASSERT_TRUE(scripted_->WaitForUpload(120s)) << JobOutput();
    const FUpload upload = Uploaded();

    // A translator works on the Spanish texts while the service translates them.
    locformat::FArchive local = ParsedArchive(upload.Bytes(EsGame), EsGame);
    Entry(local, "QuestOffer").Translation = "Los lobos se llevaron {0} de nuestras ovejas. ¿Nos ayudas?";
    Entry(local, "Farewell").Translation = "¡Buen viaje, amigo!";
    local.Entries.push_back({"Dialogue", "LocalNote", "A note added here.", "Una nota añadida aquí."});
    // Deleted by the translator: one the service leaves alone, one it translates.
    std::erase_if(local.Entries, [](const auto& e) { return e.Key == "QuestDone" || e.Key == "Riddle"; });
    std::string error;
    ASSERT_TRUE(locformat::WriteArchive((Localization() / EsGame).string(), local, error)) << error;
    scripted_->Release();

    const auto exit_code = job->Wait(280s);
    ASSERT_EQ(exit_code, CompletedWithWarnings) << JobOutput();
    FFiles expected = AsMap(TranslatedFiles(upload));
    const locformat::FArchive service = ParsedArchive(expected[EsGame], EsGame);
    locformat::FArchive merged = local;
    for (auto& entry : merged.Entries)
    {
        const bool edited = entry.Key == "QuestOffer" || entry.Key == "Farewell" || entry.Key == "LocalNote";
        if (!edited)
        {
            entry = *service.Find(entry.Namespace, entry.Key);
        }
    }
    expected[EsGame] = ArchiveText(merged);
    ExpectFiles(expected);
    // QuestOffer is the one entry both sides changed; Farewell and LocalNote only the translator;
    // the deleted entries stay deleted.
    EXPECT_TRUE(Contains(JobOutput(), "1 local edits kept, 0 answers refused."));
    EXPECT_TRUE(
        Contains(EditorLog(), std::string(EsGame) + " [Dialogue/QuestOffer]: changed in the project"));
}

TEST_F(HostileService, AnArchiveDeletedWhileTheServiceWorksStaysDeleted)
{
    Serve(TranslatedPackageReply);
    scripted_->Hold();
    auto job = StartJob("--yes");
    ASSERT_TRUE(scripted_->WaitForUpload(120s)) << JobOutput();
    const FUpload upload = Uploaded();
    const std::string deleted = "Game/fr/Game.archive";
    ASSERT_TRUE(fs::remove(Localization() / deleted));
    scripted_->Release();

    EXPECT_EQ(job->Wait(280s), CompletedWithWarnings) << JobOutput();
    FFiles expected = AsMap(TranslatedFiles(upload));
    expected.erase(deleted);
    ExpectFiles(expected);
    // Every entry of it was deleted on disk, and deletions on disk win over the service.
    EXPECT_FALSE(fs::exists(Localization() / deleted)) << "the service's version was written:\n"
                                                       << ReadFile((Localization() / deleted).string());
    EXPECT_TRUE(Contains(JobOutput(), "1 local edits kept, 0 answers refused."));
    EXPECT_TRUE(Contains(EditorLog(), deleted + ": changed in the project during the translation"));
}

// ---- packages refused whole --------------------------------------------------------------------

struct FRefusedCase
{
    const char* Name;
    std::function<FReply(const FUpload&)> Answer;
    // What the message says after "Translation result error:", knowing what was uploaded.
    std::function<std::string(const FUpload&)> Message;
};

std::function<std::string(const FUpload&)> Says(std::string text)
{
    return [text](const FUpload&) { return text; };
}

// A package whose headers disagree is refused while its entries are listed, naming the entry.
std::string EsCannotBeRead(const FUpload& upload)
{
    return "the entry #" + std::to_string(IndexOf(upload.Files, EsGame)) +
           " of the translated package cannot be read (Zipfile is corrupt or not a zipfile)";
}

// The translated package with one item's declared uncompressed size changed in its central
// header, its local header, or both.
std::string WithDeclaredSize(const FUpload& upload, const std::string& item, bool central, bool local,
                             std::int64_t change, std::optional<std::uint32_t> size = std::nullopt)
{
    const std::vector<FPackageFile> files = TranslatedFiles(upload);
    std::string package = BuildPackage(files);
    const int index = static_cast<int>(IndexOf(files, item));
    const std::size_t centralAt = CentralHeaderAt(package, index);
    const std::size_t localAt = LocalHeaderAt(package, index);
    EXPECT_EQ(static_cast<std::uint8_t>(package[localAt + 6]) & 0x08, 0)
        << "the sizes are in a data descriptor";
    const auto declared = static_cast<std::uint32_t>(size.value_or(
        static_cast<std::uint32_t>(static_cast<std::int64_t>(GetLe32(package, centralAt + 24)) + change)));
    if (central)
    {
        PutLe32(package, centralAt + 24, declared);
    }
    if (local)
    {
        PutLe32(package, localAt + 22, declared);
    }
    return package;
}

void PrintTo(const FRefusedCase& row, std::ostream* out)
{
    *out << row.Name;
}

class PackagesRefusedWhole : public HostileService, public ::testing::WithParamInterface<FRefusedCase>
{
};

TEST_P(PackagesRefusedWhole, NothingIsWrittenAndTheUserLearnsWhy)
{
    Serve(GetParam().Answer);
    const JobRun run = RunJob("--yes");
    EXPECT_EQ(run.exit_code, NotCompleted) << run.output;
    ASSERT_TRUE(HasUploaded()) << run.output;
    EXPECT_TRUE(Contains(run.output, "message: Translation result error:" + GetParam().Message(Uploaded())));
    EXPECT_TRUE(Contains(run.output, "lirno_bak.zip of the upload remains"));
    ExpectNothingApplied(Uploaded());
    EXPECT_EQ(Leftovers(Localization()), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(
    Packages, PackagesRefusedWhole,
    ::testing::Values(
        FRefusedCase{"NotAZipArchive",
                     [](const FUpload&) { return PackageReply("PK\x03\x04 no archive follows"); },
                     Says("the translated package could not be opened")},
        FRefusedCase{"NotBase64",
                     [](const FUpload&) {
                         return EnvelopeReply(lirno::protocol::Status::Working, "", 100, "%%% not base64 %%%",
                                              FinishedMessage);
                     },
                     Says("the translated package could not be decoded; no entry was applied.")},
        FRefusedCase{"DeclaredSizeOverTheCap",
                     [](const FUpload& upload)
                     { return PackageReply(WithDeclaredSize(upload, EsGame, true, true, 0, 0xFFFFFF00u)); },
                     Says("the translated package would unpack to ")},
        FRefusedCase{"ExpansionOverTheCap",
                     [](const FUpload& upload)
                     {
                         // Honest sizes, but 16 MiB from a package of a few kilobytes.
                         std::vector<FPackageFile> files = TranslatedFiles(upload);
                         files.push_back({"Game/Padding.txt", std::string(16 * MiB, ' ')});
                         return PackageReply(BuildPackage(files));
                     },
                     Says("the translated package would unpack to ")},
        FRefusedCase{"SizesSmallerThanTheData",
                     [](const FUpload& upload)
                     { return PackageReply(WithDeclaredSize(upload, EsGame, true, true, -100)); },
                     Says("the entry Game/es/Game.archive of the translated package is damaged")},
        FRefusedCase{"CentralSizeSmallerThanTheData",
                     [](const FUpload& upload)
                     { return PackageReply(WithDeclaredSize(upload, EsGame, true, false, -100)); },
                     EsCannotBeRead},
        FRefusedCase{"LocalSizeSmallerThanTheData",
                     [](const FUpload& upload)
                     { return PackageReply(WithDeclaredSize(upload, EsGame, false, true, -100)); },
                     EsCannotBeRead},
        FRefusedCase{"OverlappingItems",
                     [](const FUpload& upload)
                     {
                         // The second item's central header points at the first item's data.
                         std::string package = BuildPackage(TranslatedFiles(upload));
                         PutLe32(package, CentralHeaderAt(package, 1) + 42, LocalHeaderAt(package, 0));
                         return PackageReply(package);
                     },
                     Says("the translated package could not be opened")},
        FRefusedCase{"TooManyEntries",
                     [](const FUpload& upload)
                     {
                         std::vector<FPackageFile> files = TranslatedFiles(upload);
                         for (FPackageFile& extra : ExtraFiles(17))
                         {
                             files.push_back(std::move(extra));
                         }
                         return PackageReply(BuildPackage(files));
                     },
                     [](const FUpload& upload)
                     {
                         return "the translated package holds " + std::to_string(upload.Files.size() + 17) +
                                " entries for the " + std::to_string(upload.Files.size()) + " files uploaded";
                     }},
        FRefusedCase{"NoArchiveReturned",
                     [](const FUpload& upload)
                     {
                         std::vector<FPackageFile> files = TranslatedFiles(upload);
                         std::erase_if(files, [](const FPackageFile& f) { return IsArchive(f.Name); });
                         return PackageReply(BuildPackage(files));
                     },
                     Says("the service returned no translated archive")}),
    [](const auto& row) { return std::string(row.param.Name); });

// ---- transfers that must end -------------------------------------------------------------------

struct FTransferCase
{
    const char* Name;
    std::function<FReply(const FUpload&)> Answer;
    std::vector<std::string> EditorOptions;
    const char* Message;
    const char* LogReason; // what the log gives as the reason, when there is one
};

constexpr const char* StreamHead =
    "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nConnection: close\r\n";

void PrintTo(const FTransferCase& row, std::ostream* out)
{
    *out << row.Name;
}

class TransfersThatMustEnd : public HostileService, public ::testing::WithParamInterface<FTransferCase>
{
};

TEST_P(TransfersThatMustEnd, TheJobEndsWithoutWritingAnything)
{
    Serve(GetParam().Answer);
    const JobRun run = RunJob("--yes", GetParam().EditorOptions);
    EXPECT_EQ(run.exit_code, NotCompleted) << run.output;
    EXPECT_TRUE(Contains(run.output, GetParam().Message));
    if (*GetParam().LogReason)
    {
        EXPECT_TRUE(Contains(EditorLog(), GetParam().LogReason));
    }
    ASSERT_TRUE(HasUploaded()) << run.output;
    ExpectNothingApplied(Uploaded());
    EXPECT_FALSE(fs::exists(Localization() / ProcessedFile)) << "a refused body was stored";
}

INSTANTIATE_TEST_SUITE_P(
    Transfers, TransfersThatMustEnd,
    ::testing::Values(
        FTransferCase{"EndlessBody",
                      [](const FUpload&)
                      {
                          FReply reply(std::string(StreamHead) + "\r\n{\"Status\":1,\"Msg\":\"");
                          reply.Piece = std::string(64 * 1024, 'A');
                          reply.Repeat = std::size_t{1} << 20; // 64 GiB at most
                          return reply;
                      },
                      {"--max-response-mib", "1"},
                      "message: Translation error StatusCode:0",
                      "body larger than 1048576 bytes"},
        FTransferCase{"AnnouncedHugeBody",
                      [](const FUpload&)
                      {
                          FReply reply(std::string(StreamHead) + "Content-Length: 68719476736\r\n\r\n{");
                          reply.Piece = std::string(64 * 1024, ' ');
                          reply.Repeat = std::size_t{1} << 20;
                          return reply;
                      },
                      {"--max-response-mib", "1"},
                      "message: Translation error StatusCode:0",
                      "body larger than 1048576 bytes"},
        FTransferCase{"OneBytePerSecond",
                      [](const FUpload&)
                      {
                          FReply reply(std::string(StreamHead) + "Content-Length: 100000\r\n\r\n{");
                          reply.Piece = " ";
                          reply.Repeat = 600;
                          reply.Interval = 1000ms;
                          return reply;
                      },
                      {"--http-stall-timeout", "2"},
                      "message: Translation error StatusCode:0",
                      "Operation too slow"},
        FTransferCase{"GzipOfAHugeAnswer",
                      [](const FUpload&)
                      {
                          // 16 MiB of answer in about 16 KiB on the wire.
                          const std::string body =
                              Gzip(EnvelopeText(lirno::protocol::Status::Working, "", 100,
                                                std::string(16 * MiB, 'A'), FinishedMessage));
                          return FReply(std::string(StreamHead) +
                                        "Content-Encoding: gzip\r\nContent-Length: " +
                                        std::to_string(body.size()) + "\r\n\r\n" + body);
                      },
                      {"--max-response-mib", "1"},
                      "message: Translation error StatusCode:0",
                      "body larger than 1048576 bytes"},
        FTransferCase{"DeeplyNestedAnswer",
                      [](const FUpload&)
                      { return host::test::FLoopbackServer::Respond(200, std::string(100000, '[')); },
                      {},
                      "message: Translation error:",
                      ""}),
    [](const auto& row) { return std::string(row.param.Name); });

// ---- the file system says no -------------------------------------------------------------------

TEST_F(HostileService, AReadOnlyArchiveStopsTheWholeApply)
{
    if (IsRoot())
    {
        const std::string error = EnterPrivateMountNamespace();
        if (!error.empty())
        {
            GTEST_SKIP() << "root ignores file permissions and no read-only mount can be made: " << error;
        }
    }
    Serve(TranslatedPackageReply);
    scripted_->Hold();
    auto job = StartJob("--yes");
    ASSERT_TRUE(scripted_->WaitForUpload(120s)) << JobOutput();
    MakeUnwritable(Localization() / EsGame);
    scripted_->Release();

    const auto exit_code = job->Wait(280s);
    EXPECT_EQ(exit_code, NotCompleted) << JobOutput();
    EXPECT_TRUE(Contains(JobOutput(), "these files cannot be written (read-only or locked): " +
                                          (Localization() / EsGame).string()));
    ExpectNothingApplied(Uploaded());
    EXPECT_EQ(Leftovers(Localization()), std::vector<std::string>{});
}

class FullDisk : public HostileService
{
protected:
    void SetUp() override
    {
        HostileService::SetUp();
        if (!IsRoot())
        {
            GTEST_SKIP() << "mounting a small tmpfs over the localization folder needs root";
        }
        if (const std::string error = EnterPrivateMountNamespace(); !error.empty())
        {
            GTEST_SKIP() << "no tmpfs can be mounted: " << error;
        }
    }
};

TEST_F(FullDisk, APackageLargerThanTheFreeSpaceIsRefusedBeforeAnythingIsWritten)
{
    MountSmallDisk("512k");
    auto padding = std::make_shared<std::uint64_t>(0);
    Serve(
        [padding](const FUpload& upload)
        {
            std::vector<FPackageFile> files = TranslatedFiles(upload);
            files.push_back({"Game/Padding.txt", std::string(*padding, ' ')});
            return PackageReply(BuildPackage(files));
        });
    scripted_->Hold();
    auto job = StartJob("--yes");
    ASSERT_TRUE(scripted_->WaitForUpload(120s)) << JobOutput();
    ASSERT_TRUE(scripted_->WaitForHeldPolls(1, 60s));
    // More than is free, far less than a hundred times the package (which holds it compressed).
    *padding = FreeBytes(Localization().string()) + 256 * 1024;
    scripted_->Release();

    const auto exit_code = job->Wait(280s);
    EXPECT_EQ(exit_code, NotCompleted) << JobOutput();
    EXPECT_TRUE(Contains(JobOutput(), "message: Translation result error:the translated package needs "));
    EXPECT_TRUE(Contains(JobOutput(), " are free in " + Localization().string() + "; no entry was applied."));
    ExpectNothingApplied(Uploaded());
}

TEST_F(FullDisk, StagingThatRunsOutOfSpaceLeavesEveryFileAsItWas)
{
    MountSmallDisk("1m");
    auto package = std::make_shared<std::string>();
    Serve([package](const FUpload&) { return PackageReply(*package); });
    scripted_->Hold();
    auto job = StartJob("--yes");
    ASSERT_TRUE(scripted_->WaitForUpload(120s)) << JobOutput();
    ASSERT_TRUE(scripted_->WaitForHeldPolls(1, 60s));
    const FUpload upload = Uploaded();

    // Enough room for the declared sizes, so the free-space check passes; but each staged file
    // takes a whole page of the tmpfs, and the small ones together need more than is left.
    std::vector<FPackageFile> files = TranslatedFiles(upload);
    for (FPackageFile& extra : ExtraFiles(16))
    {
        files.push_back(std::move(extra));
    }
    const FFiles uploaded = AsMap(upload.Files);
    std::uint64_t declared = 0;
    std::uint64_t stagedPages = 0;
    for (const FPackageFile& file : files)
    {
        declared += file.Bytes.size();
        const auto old = uploaded.find(file.Name);
        stagedPages += old == uploaded.end() || old->second != file.Bytes ? Pages(file.Bytes.size()) : 0;
    }
    const std::string built = BuildPackage(files);
    // Once the received package is stored, declared + 4096 bytes are left.
    const std::uint64_t room = declared + Pages(built.size()) + 4096;
    ASSERT_GT(stagedPages, declared + 4096);
    const std::uint64_t free = FreeBytes(Localization().string());
    ASSERT_GT(free, room);
    const fs::path filler = Localization() / "filler.bin";
    {
        std::ofstream out(filler, std::ios::binary);
        const std::string block(4096, '\0');
        for (std::uint64_t written = 0; written + 4096 <= free - room; written += 4096)
        {
            out.write(block.data(), static_cast<std::streamsize>(block.size()));
        }
    }
    *package = built;
    scripted_->Release();

    const auto exit_code = job->Wait(280s);
    fs::remove(filler);
    EXPECT_EQ(exit_code, NotCompleted) << JobOutput();
    EXPECT_TRUE(Contains(JobOutput(), "message: Translation result error:"));
    EXPECT_TRUE(Contains(JobOutput(), "(is the disk full?); no entry was applied."));
    ExpectNothingApplied(upload);
    EXPECT_EQ(Leftovers(Localization()), std::vector<std::string>{});
}

// ---- an editor killed while it commits ---------------------------------------------------------

// More cultures for every target, so the commit replaces many files and takes longer.
void AddCultures(const fs::path& project, const std::vector<std::string>& cultures)
{
    std::string lines;
    for (const std::string& culture : cultures)
    {
        lines += "Culture=" + culture + "\n";
    }
    std::vector<fs::path> configs = {project / "Config/DefaultEditor.ini"};
    for (const auto& entry : fs::directory_iterator(project / "Config/Localization"))
    {
        configs.push_back(entry.path());
    }
    for (const fs::path& config : configs)
    {
        std::string text = ReadFile(config.string());
        for (auto at = text.find("Culture=ja\n"); at != std::string::npos;
             at = text.find("Culture=ja\n", at + 1))
        {
            text.insert(at + 11, lines);
        }
        std::ofstream(config, std::ios::binary | std::ios::trunc) << text;
    }
}

// Where the editor is killed: on the first sight of a file named `Trigger` in `Folder` (below the
// localization folder), and what the project must look like once the next start has recovered.
struct FKillCase
{
    const char* Name;
    const char* Folder;
    const char* Trigger; // a file name, or a suffix when it starts with "."
};

void PrintTo(const FKillCase& row, std::ostream* out)
{
    *out << row.Name;
}

class KilledEditor : public HostileService, public ::testing::WithParamInterface<FKillCase>
{
};

TEST_P(KilledEditor, TheNextStartLeavesEveryFileAllAsBeforeOrAllAsAfter)
{
    const FKillCase& row = GetParam();
    AddCultures(project_, {"it", "pt", "nl", "sv", "da", "fi",      "nb",      "pl",    "cs",    "sk",
                           "hu", "ro", "bg", "el", "tr", "ru",      "uk",      "he",    "ar",    "hi",
                           "th", "vi", "id", "ms", "ko", "zh-Hans", "zh-Hant", "pt-BR", "es-MX", "fr-CA"});
    Serve(
        [](const FUpload& upload)
        {
            std::vector<FPackageFile> files = TranslatedFiles(upload);
            for (FPackageFile& extra : ExtraFiles(16))
            {
                files.push_back(std::move(extra));
            }
            return PackageReply(BuildPackage(files));
        });

    const int watch = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    ASSERT_GE(watch, 0) << std::strerror(errno);
    const std::string trigger = row.Trigger;
    ASSERT_GE(::inotify_add_watch(watch, (Localization() / row.Folder).c_str(), IN_CREATE | IN_MOVED_TO), 0);
    auto job = StartJob("--yes");
    bool killed = false;
    const auto deadline = std::chrono::steady_clock::now() + 240s;
    while (!killed && std::chrono::steady_clock::now() < deadline && !job->Wait(0ms))
    {
        pollfd ready{watch, POLLIN, 0};
        if (::poll(&ready, 1, 100) <= 0)
        {
            continue;
        }
        alignas(inotify_event) char buffer[4096];
        const ssize_t length = ::read(watch, buffer, sizeof buffer);
        for (ssize_t at = 0; at < length && !killed;)
        {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            const std::string name = event->len > 0 ? event->name : "";
            if (trigger.starts_with('.') ? name.ends_with(trigger) : name == trigger)
            {
                job->Kill(SIGKILL);
                killed = true;
            }
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    ::close(watch);
    ASSERT_TRUE(killed) << "no " << trigger << " appeared:\n" << JobOutput();
    // 0 when the job had finished before the signal came.
    const auto exit_code = job->Wait(30s);
    ASSERT_TRUE(exit_code == 128 + SIGKILL || exit_code == Completed) << JobOutput();

    ASSERT_TRUE(HasUploaded());
    const FUpload upload = Uploaded();
    FFiles after = AsMap(TranslatedFiles(upload));
    for (const FPackageFile& extra : ExtraFiles(16))
    {
        after[extra.Name] = extra.Bytes;
    }
    const FFiles before = AsMap(upload.Files);
    const auto state = [&]() -> std::string
    {
        const FFiles disk = FilesBelow(Localization());
        bool asBefore = true;
        bool asAfter = true;
        for (const auto& [name, bytes] : after)
        {
            const auto found = disk.find(name);
            const auto old = before.find(name);
            const bool unchanged = old == before.end() ? found == disk.end()
                                                       : found != disk.end() && found->second == old->second;
            asBefore = asBefore && unchanged;
            asAfter = asAfter && found != disk.end() && found->second == bytes;
        }
        return asAfter ? "after" : asBefore ? "before" : "mixed";
    };
    const bool journalLeft = fs::exists(Localization() / JournalFile);
    const std::string atTheKill = state();
    RecordProperty("KilledInsideTheCommit", journalLeft ? "yes" : "no");
    RecordProperty("FilesAtTheKill", atTheKill);
    RecordProperty("FilesInTheCommit", std::to_string(after.size()));
    // Without a journal there is nothing to complete: no file may be half-way.
    EXPECT_TRUE(journalLeft || atTheKill != "mixed") << "killed with no journal and some files replaced";

    // Any command's start-up recovers; listing the menus changes nothing else.
    Process restart({EDITOR_PATH, "menus", project_.string()}, (work_ / "restart.out").string());
    ASSERT_EQ(restart.Wait(120s), 0) << ReadFile((work_ / "restart.out").string());
    EXPECT_EQ(Leftovers(Localization()), std::vector<std::string>{});
    // A complete journal is rolled forward; without one the files stay as they were.
    EXPECT_EQ(state(), journalLeft ? "after" : atTheKill);
    if (journalLeft)
    {
        EXPECT_TRUE(Contains(ReadFile((work_ / "restart.out").string()), "Completed an interrupted apply"));
    }
}

INSTANTIATE_TEST_SUITE_P(Kill, KilledEditor,
                         ::testing::Values(FKillCase{"OnceTheJournalIsWritten", "", JournalFile},
                                           FKillCase{"WhileFilesAreStaged", "Game/es", ".lirno-stage"}),
                         [](const auto& row) { return std::string(row.param.Name); });

// ---- two editors on one project ----------------------------------------------------------------

TEST_F(HostileService, ASecondJobOnTheSameProjectEndsAtOnceAndTouchesNothing)
{
    Serve(TranslatedPackageReply);
    scripted_->Hold();
    auto first = StartJob("--yes");
    ASSERT_TRUE(scripted_->WaitForUpload(120s)) << JobOutput();
    const FFiles content = FilesBelow(project_ / "Content");
    const std::size_t checks = scripted_->Requests(lirno::protocol::CheckUpdatePath);
    const std::size_t uploads = scripted_->Requests(lirno::protocol::UploadPath);

    auto second = StartJob("--yes", {}, "second.out");
    const auto second_exit = second->Wait(120s);
    const std::string secondOutput = ReadFile((work_ / "second.out").string());
    EXPECT_EQ(second_exit, NotCompleted) << secondOutput;
    EXPECT_TRUE(Contains(secondOutput, "message: Another translation job is running on this project"));
    EXPECT_TRUE(Contains(secondOutput, (project_ / "Saved/lirno.lock").string()));
    EXPECT_TRUE(FilesBelow(project_ / "Content") == content) << "the second job changed the project";
    EXPECT_EQ(scripted_->Requests(lirno::protocol::CheckUpdatePath), checks);
    EXPECT_EQ(scripted_->Requests(lirno::protocol::UploadPath), uploads);

    scripted_->Release();
    ASSERT_EQ(first->Wait(280s), Completed) << JobOutput();
    ExpectFiles(AsMap(TranslatedFiles(Uploaded())));
}
} // namespace
} // namespace e2e
