// Packing the upload and applying the returned package, through the real zip engine.
#include "lirnoFileHelper.h"
#include "lirnoTestSupport.h"
#include "lirnoWidePath.h"
#include "zip.h"

#include <filesystem>

namespace lirnotest
{
namespace
{
using lirno::lirnoFileHelper;

class Packaging : public PluginTest
{
protected:
    std::string Folder() const { return Host->LocalizationFolder(); }
    // The upload file un-shifted back into an archive on disk.
    std::string UnshiftedUpload(const std::string& uploadFile)
    {
        std::vector<std::uint8_t> bytes;
        EXPECT_TRUE(host::File::ReadAll(uploadFile, bytes));
        lirno::protocol::UnshiftBytes(bytes, lirno::protocol::UploadShift);
        const std::string path = Host->Root + "/upload-unshifted.zip";
        host::File::WriteAll(path, bytes);
        return path;
    }
};

TEST_F(Packaging, UploadHoldsEveryTargetInOrderBehindThePassword)
{
    Host->AddGameTarget("Menus", {"fr", "en", "ja"}, 1);
    const auto upload = lirnoFileHelper::BuildUploadPackage(4711);
    ASSERT_TRUE(upload.IsOk()) << upload.Error();
    EXPECT_EQ(upload.Value().File, Folder() + "/lirno_upload_tmp.bin");
    EXPECT_FALSE(std::filesystem::exists(Folder() + "/lirno_upload.zip"));

    const std::vector<std::string> expected = {
        "Game/Game.manifest",     "Game/en/Game.archive",   "Game/de/Game.archive",  "Menus/Menus.manifest",
        "Menus/fr/Menus.archive", "Menus/en/Menus.archive", "Menus/ja/Menus.archive"};
    const std::string archive = UnshiftedUpload(upload.Value().File);
    const std::string password = std::string(lirno::protocol::UploadPasswordPrefix) + "4711";
    EXPECT_EQ(ZipEntryNames(archive, password.c_str()), expected);
    EXPECT_EQ(ZipEntryNames(Folder() + "/lirno_bak.zip"), expected);
    std::vector<std::string> listed;
    for (const auto& file : upload.Value().Files)
    {
        listed.push_back(file.EntryName + (file.bManifest ? " (manifest)" : ""));
    }
    EXPECT_EQ(listed.front(), "Game/Game.manifest (manifest)");
    EXPECT_EQ(listed.back(), "Menus/ja/Menus.archive");
    EXPECT_EQ(listed.size(), expected.size());

    const std::string jaArchive = ReadText(Folder() + "/Menus/ja/Menus.archive");
    EXPECT_EQ(ZipEntryText(archive, "Menus/ja/Menus.archive", password.c_str()), jaArchive);
    EXPECT_EQ(ZipEntryText(archive, "Menus/ja/Menus.archive", nullptr), std::nullopt);
    const std::string otherJob = std::string(lirno::protocol::UploadPasswordPrefix) + "4712";
    EXPECT_EQ(ZipEntryText(archive, "Menus/ja/Menus.archive", otherJob.c_str()), std::nullopt);
    EXPECT_EQ(ZipEntryText(Folder() + "/lirno_bak.zip", "Game/de/Game.archive", nullptr),
              ReadText(Folder() + "/Game/de/Game.archive"));
}

TEST_F(Packaging, EntryNamesComeFromTheTargetNotItsFolder)
{
    Host->Loc.SetGameTargets({{"Story", 0, {"en", "it"}}});
    const auto target = Host->Loc.GameTargets().front();
    host::FIniDocument config;
    config.Set("CommonSettings", "SourcePath", "Content/Text/Elsewhere");
    config.Set("CommonSettings", "DestinationPath", "Content/Text/Elsewhere");
    config.Set("CommonSettings", "ManifestName", "All.manifest");
    config.Set("CommonSettings", "ArchiveName", "All.archive");
    Host->Loc.WriteConfig(config, Host->Loc.ConfigPath(*target, host::ELocalizationStep::GatherText));
    const std::string source = Host->Folders.ProjectDir() + "Content/Text/Elsewhere/";
    host::File::WriteAllText(source + "All.manifest", "m");
    host::File::WriteAllText(source + "en/All.archive", "en"); // no "it" archive on disk

    ASSERT_TRUE(lirnoFileHelper::BuildUploadPackage(1).IsOk());
    EXPECT_EQ(ZipEntryNames(Folder() + "/lirno_bak.zip"),
              (std::vector<std::string>{"Story/All.manifest", "Story/en/All.archive"}));
}

TEST_F(Packaging, LeftoversOfAnEarlierRunAreReplaced)
{
    host::File::WriteAllText(Folder() + "/lirno_bak.zip", "old backup");
    host::File::WriteAllText(Folder() + "/lirno_upload.zip", "old upload");
    host::File::WriteAllText(Folder() + "/lirno_upload_tmp.bin", std::string(100000, 'x'));
    const auto upload = lirnoFileHelper::BuildUploadPackage(0);
    ASSERT_TRUE(upload.IsOk());
    EXPECT_FALSE(std::filesystem::exists(Folder() + "/lirno_upload.zip"));
    EXPECT_EQ(ZipEntryNames(Folder() + "/lirno_bak.zip").size(), 3u);
    const std::string password = std::string(lirno::protocol::UploadPasswordPrefix) + "0";
    EXPECT_EQ(ZipEntryNames(UnshiftedUpload(upload.Value().File), password.c_str()).size(), 3u);
}

TEST_F(Packaging, AnArchiveThatCannotBeCreatedStopsThePackaging)
{
    // A folder in the way of the upload archive, which cannot be deleted.
    host::File::WriteAllText(Folder() + "/lirno_upload.zip/blocker", "x");
    const auto upload = lirnoFileHelper::BuildUploadPackage(3);
    ASSERT_FALSE(upload.IsOk());
    EXPECT_EQ(upload.Error(), "The upload archive could not be created: " + Folder() + "/lirno_upload.zip");
    EXPECT_FALSE(std::filesystem::exists(Folder() + "/lirno_bak.zip"));
    EXPECT_FALSE(std::filesystem::exists(Folder() + "/lirno_upload_tmp.bin"));
}

TEST_F(Packaging, SourceFoldersOutsideTheProjectAreNeverPacked)
{
    Host->Loc.SetGameTargets({{"Leak", 0, {"en"}}});
    const auto target = Host->Loc.GameTargets().front();
    const std::string configPath = Host->Loc.ConfigPath(*target, host::ELocalizationStep::GatherText);
    struct FCase
    {
        const char* SourcePath;
        const char* ManifestName;
        std::string Error;
    };
    const std::vector<FCase> cases = {
        {"../../outside", "Leak.manifest", "The source path ../../outside leads outside the project folder."},
        {"Content/../../outside", "Leak.manifest",
         "The source path Content/../../outside leads outside the project folder."},
        {"Content/Localization/Leak", "../../secret.txt",
         "The manifest name ../../secret.txt and the archive name Leak.archive must be plain file names."},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.SourcePath);
        host::FIniDocument config;
        config.Set("CommonSettings", "SourcePath", c.SourcePath);
        config.Set("CommonSettings", "DestinationPath", "Content/Localization/Leak");
        config.Set("CommonSettings", "ManifestName", c.ManifestName);
        config.Set("CommonSettings", "ArchiveName", "Leak.archive");
        Host->Loc.WriteConfig(config, configPath);
        const auto upload = lirnoFileHelper::BuildUploadPackage(1);
        ASSERT_FALSE(upload.IsOk());
        EXPECT_EQ(upload.Error(), c.Error + " Target:[Leak]");
        EXPECT_FALSE(std::filesystem::exists(Folder() + "/lirno_upload_tmp.bin"));
    }
}

// The job's upload, then a package as the service might answer it, applied over the project.
class Applying : public Packaging
{
protected:
    void SetUp() override
    {
        const auto upload = lirnoFileHelper::BuildUploadPackage(1);
        ASSERT_TRUE(upload.IsOk()) << upload.Error();
        Uploaded = upload.Value().Files;
        De = Folder() + "/Game/de/Game.archive";
        En = Folder() + "/Game/en/Game.archive";
        OriginalDe = ReadText(De);
        OriginalEn = ReadText(En);
    }
    lirno::FApplyReport Apply(const std::vector<std::pair<std::string, std::string>>& entries,
                              bool bTranslateAll = false)
    {
        // Where the job stores the decoded, un-shifted package before it applies it.
        const std::string processed = lirnoFileHelper::ProcessedFilePath();
        host::File::WriteAll(processed, MakeZip(entries));
        return lirnoFileHelper::ApplyResultPackage(processed, Uploaded, bTranslateAll);
    }
    // Nothing of the package reached the project.
    void ExpectUntouched()
    {
        EXPECT_EQ(ReadText(De), OriginalDe);
        EXPECT_EQ(ReadText(En), OriginalEn);
        for (const auto& path : host::File::ListFiles(Folder()))
        {
            EXPECT_EQ(path.find(".lirno-stage"), std::string::npos) << path;
            EXPECT_EQ(path.find("journal"), std::string::npos) << path;
        }
    }

    std::vector<lirno::FUploadedFile> Uploaded;
    std::string De;
    std::string En;
    std::string OriginalDe;
    std::string OriginalEn;
};

TEST_F(Applying, AConsistentPackageIsWrittenByteForByte)
{
    const std::string de = SampleArchiveWith("de", {{"Greeting", "Hallo, {Name}!"}, {"Score", "<b>Punkte:</b> %d"}});
    const auto report = Apply({{"Game/Game.manifest", ReadText(Folder() + "/Game/Game.manifest")},
                               {"Game/de/Game.archive", de},
                               {"Game/en/Game.archive", OriginalEn},
                               {"Game/pt/Game.archive", "new culture"}});
    ASSERT_FALSE(report.IsRefused()) << report.Refusal;
    EXPECT_FALSE(report.Tally.HasNotes());
    EXPECT_EQ(report.Tally.AppliedTranslations(), 2);
    EXPECT_EQ(report.FilesWritten, 2u);
    EXPECT_EQ(ReadText(De), de);
    EXPECT_EQ(ReadText(En), OriginalEn);
    EXPECT_EQ(ReadText(Folder() + "/Game/pt/Game.archive"), "new culture");
}

TEST_F(Applying, EachAnswerIsCheckedAgainstTheUpload)
{
    auto entries = fake::FakeHost::SampleEntries("de");
    entries[0].Translation = "Hallo, {Nom}!";     // placeholder renamed
    entries[1].Source = "<b>Points:</b> %d";      // source changed by the service
    entries[1].Translation = "<b>Punkte:</b> %d";
    entries[2].Translation = "Verlassen";          // replaces a translation made by hand
    entries.push_back({"UI", "Extra", "Extra", "Zusatz", {}});
    auto en = fake::FakeHost::SampleEntries("en");
    en[0].Translation = "Hello, {Name}!";
    en[1].Translation = "<b>Score:</b>";            // %d lost
    en[2].Translation = "";                         // emptied
    const auto report = Apply({{"Game/de/Game.archive", ArchiveText("Game", "de", entries)},
                               {"Game/en/Game.archive", ArchiveText("Game", "en", en)}});
    ASSERT_FALSE(report.IsRefused()) << report.Refusal;
    using lirno::EApplyNote;
    EXPECT_EQ(report.Tally.Count(EApplyNote::BrokenMarkers), 2u);
    EXPECT_EQ(report.Tally.Count(EApplyNote::ChangedSource), 1u);
    EXPECT_EQ(report.Tally.Count(EApplyNote::HumanTranslationKept), 1u);
    EXPECT_EQ(report.Tally.Count(EApplyNote::EmptiedTranslation), 1u);
    EXPECT_EQ(report.Tally.Count(EApplyNote::UnknownEntry), 1u);
    EXPECT_EQ(report.Tally.AppliedTranslations(), 1);

    EXPECT_EQ(ReadText(De), OriginalDe) << "nothing in de passed";
    const auto enAfter = ReadArchive(En);
    ASSERT_EQ(enAfter.Entries.size(), 3u);
    EXPECT_EQ(enAfter.Entries[0].Translation, "Hello, {Name}!");
    EXPECT_EQ(enAfter.Entries[1].Translation, "");
    EXPECT_EQ(enAfter.Entries[2].Translation, "Quit (en)");
}

TEST_F(Applying, TranslateAllReplacesButNeverEmptiesTranslations)
{
    auto de = fake::FakeHost::SampleEntries("de");
    de[2].Translation = "Verlassen";
    auto en = fake::FakeHost::SampleEntries("en");
    en[2].Translation = "";
    const auto report = Apply({{"Game/de/Game.archive", ArchiveText("Game", "de", de)},
                               {"Game/en/Game.archive", ArchiveText("Game", "en", en)}},
                              true);
    ASSERT_FALSE(report.IsRefused());
    EXPECT_EQ(ReadArchive(De).Entries[2].Translation, "Verlassen");
    EXPECT_EQ(ReadText(En), OriginalEn);
    EXPECT_EQ(report.Tally.Count(lirno::EApplyNote::EmptiedTranslation), 1u);
}

TEST_F(Applying, PseudoTextsAreReplacedLikeMissingOnes)
{
    // Uploaded with a pseudo-localized "Quit" and a hand-made "Score".
    auto mine = fake::FakeHost::SampleEntries("de");
    mine[1].Translation = "<b>Punkte:</b> %d";
    mine[2].Translation = "[Qûîţ]";
    mine[2].OtherFields = {{"Origin", "\"pseudo\""}};
    host::File::WriteAllText(De, ArchiveText("Game", "de", mine));
    ASSERT_TRUE(lirnoFileHelper::BuildUploadPackage(2).IsOk());
    auto theirs = mine;
    theirs[1].Translation = "<b>Stand:</b> %d";
    theirs[2].Translation = "Beenden";
    theirs[2].OtherFields = {{"Origin", "\"machine:apertium\""}};

    const auto report = Apply({{"Game/de/Game.archive", ArchiveText("Game", "de", theirs)}});
    ASSERT_FALSE(report.IsRefused()) << report.Refusal;
    const auto after = ReadArchive(De);
    EXPECT_EQ(after.Entries[1].Translation, "<b>Punkte:</b> %d");
    EXPECT_EQ(after.Entries[2].Translation, "Beenden");
    EXPECT_EQ(after.Entries[2].OtherFields, theirs[2].OtherFields) << "the origin travels with its translation";
    EXPECT_EQ(report.Tally.Count(lirno::EApplyNote::HumanTranslationKept), 1u);
}

TEST_F(Applying, AnArchiveDeletedDuringTheJobStaysDeleted)
{
    std::filesystem::remove(De);
    const auto report = Apply({{"Game/de/Game.archive", SampleArchiveWith("de", {{"Greeting", "Hallo, {Name}!"}})},
                               {"Game/en/Game.archive", SampleArchiveWith("en", {{"Greeting", "Hello, {Name}!"}})}});
    ASSERT_FALSE(report.IsRefused()) << report.Refusal;
    EXPECT_FALSE(std::filesystem::exists(De));
    EXPECT_EQ(report.Tally.LocalEditsKept(), 1u);
    EXPECT_EQ(ReadArchive(En).Entries[0].Translation, "Hello, {Name}!");
}

TEST_F(Applying, EditsMadeDuringTheJobAreKept)
{
    // The user translates "Greeting" and adds a text while the service works.
    auto mine = fake::FakeHost::SampleEntries("de");
    mine[2].Translation = "Ende";
    mine.push_back({"UI", "New", "New", "Neu", {}});
    host::File::WriteAllText(De, ArchiveText("Game", "de", mine));
    auto theirs = fake::FakeHost::SampleEntries("de");
    theirs[0].Translation = "Hallo, {Name}!";
    theirs[2].Translation = "Verlassen";

    const auto report = Apply({{"Game/de/Game.archive", ArchiveText("Game", "de", theirs)}}, true);
    ASSERT_FALSE(report.IsRefused()) << report.Refusal;
    const auto after = ReadArchive(De);
    ASSERT_EQ(after.Entries.size(), 4u);
    EXPECT_EQ(after.Entries[0].Translation, "Hallo, {Name}!");
    EXPECT_EQ(after.Entries[2].Translation, "Ende");
    EXPECT_EQ(after.Entries[3].Translation, "Neu");
    EXPECT_EQ(report.Tally.LocalEditsKept(), 1u);
    EXPECT_EQ(report.Tally.AppliedTranslations(), 1);
}

TEST_F(Applying, UnreadableOrMisplacedFilesKeepTheLocalFile)
{
    const auto report = Apply({{"Game/de/Game.archive", "garbage"},
                               {"Game/en/Game.archive", SampleArchiveWith("de", {{"Greeting", "Hallo"}})}});
    ASSERT_FALSE(report.IsRefused());
    EXPECT_EQ(report.Tally.Count(lirno::EApplyNote::UnreadableFile), 1u);
    EXPECT_EQ(report.Tally.Count(lirno::EApplyNote::WrongTargetOrCulture), 1u);
    ExpectUntouched();
}

TEST_F(Applying, HostilePackagesAreRefusedWhole)
{
    const std::string de = SampleArchiveWith("de", {{"Greeting", "Hallo, {Name}!"}});
    std::vector<std::pair<std::string, std::string>> crowd;
    for (int i = 0; i < 20; ++i)
    {
        crowd.push_back({"Game/de/x" + std::to_string(i), "x"});
    }
    crowd.push_back({"Game/de/Game.archive", de});
    struct FCase
    {
        const char* Name;
        std::vector<std::pair<std::string, std::string>> Entries;
        std::string Refusal;
    };
    const std::vector<FCase> cases = {
        {"empty", {}, "the service returned no translated archive; no entry was applied."},
        {"unrelated only", {{"Game/readme.txt", "hi"}},
         "the service returned no translated archive; no entry was applied."},
        {"too many entries", crowd, "the translated package holds 21 entries for the 3 files uploaded; no entry was applied."},
        {"twice", {{"Game/de/Game.archive", de}, {"Game/de/Game.archive", de}},
         "the translated package holds Game/de/Game.archive twice; no entry was applied."},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.Name);
        const auto report = Apply(c.Entries);
        EXPECT_EQ(report.Refusal, c.Refusal);
        ExpectUntouched();
        EXPECT_FALSE(std::filesystem::exists(Folder() + "/Game/readme.txt"));
        EXPECT_FALSE(std::filesystem::exists(Folder() + "/Game/de/x0"));
    }

    // A bomb: a few kilobytes that would unpack to far more than a hundred times their size.
    const auto bomb = Apply({{"Game/de/Game.archive", de}, {"Game/de/filler.bin", std::string(8 << 20, '\0')}});
    EXPECT_NE(bomb.Refusal.find("would unpack to"), std::string::npos) << bomb.Refusal;
    ExpectUntouched();
}

TEST_F(Applying, OwnFilesAndEscapingNamesAreRefusedByName)
{
    const std::string backup = ReadText(Folder() + "/lirno_bak.zip");
    const std::string de = SampleArchiveWith("de", {{"Greeting", "Hallo, {Name}!"}});
    const auto report = Apply({{"lirno_bak.zip", "evil"},
                               {"../escape.txt", "x"},
                               {"Game/../../up.txt", "y"},
                               {"Game/de/Game.archive.lirno-stage", "z"},
                               {"Game/de/Game.archive", de}});
    ASSERT_FALSE(report.IsRefused()) << report.Refusal;
    EXPECT_EQ(report.Tally.Count(lirno::EApplyNote::ReservedName), 2u);
    EXPECT_EQ(report.Tally.Count(lirno::EApplyNote::OutsideFolder), 2u);
    EXPECT_EQ(ReadText(Folder() + "/lirno_bak.zip"), backup);
    EXPECT_EQ(ReadText(De), de);
    EXPECT_FALSE(std::filesystem::exists(Host->Folders.ProjectDir() + "Content/escape.txt"));
    EXPECT_FALSE(std::filesystem::exists(Host->Folders.ProjectDir() + "Content/up.txt"));
}

TEST_F(Applying, AFileThatCannotBeWrittenStopsTheWholeCommit)
{
    // A folder where the service wants a file: found before anything is committed.
    std::filesystem::create_directories(Folder() + "/Game/de/Blocked.txt");
    const std::string de = SampleArchiveWith("de", {{"Greeting", "Hallo, {Name}!"}});
    const auto report = Apply({{"Game/de/Game.archive", de}, {"Game/de/Blocked.txt", "x"}});
    EXPECT_EQ(report.Refusal, "these files cannot be written (read-only or locked): " + Folder() +
                                  "/Game/de/Blocked.txt. No entry was applied.");
    ExpectUntouched();
}

TEST_F(Applying, AMissingBackupMeansNothingCanBeChecked)
{
    std::filesystem::remove(Folder() + "/lirno_bak.zip");
    const auto report = Apply({{"Game/de/Game.archive", SampleArchiveWith("de", {{"Greeting", "Hallo"}})}});
    EXPECT_NE(report.Refusal.find("cannot be read, so the answers cannot be checked"), std::string::npos);
    ExpectUntouched();
}
} // namespace
} // namespace lirnotest
