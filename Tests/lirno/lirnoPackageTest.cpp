// Packing the upload and applying the returned package, through the real zip engine.
#include "lirnoFileHelper.h"
#include "lirnoTestSupport.h"
#include "lirnoUploadPassword.h"
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
        lirno::ShiftBytes(bytes, static_cast<std::uint8_t>(256 - 33));
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
    EXPECT_EQ(upload.Value(), Folder() + "/lirno_upload_tmp.bin");
    EXPECT_FALSE(std::filesystem::exists(Folder() + "/lirno_upload.zip"));

    const std::vector<std::string> expected = {
        "Game/Game.manifest",     "Game/en/Game.archive",   "Game/de/Game.archive",  "Menus/Menus.manifest",
        "Menus/fr/Menus.archive", "Menus/en/Menus.archive", "Menus/ja/Menus.archive"};
    const std::string archive = UnshiftedUpload(upload.Value());
    const std::string password = std::string(lirno::UploadPasswordPrefix) + "4711";
    EXPECT_EQ(ZipEntryNames(archive, password.c_str()), expected);
    EXPECT_EQ(ZipEntryNames(Folder() + "/lirno_bak.zip"), expected);

    EXPECT_EQ(ZipEntryText(archive, "Menus/ja/Menus.archive", password.c_str()), "archive Menus ja");
    EXPECT_EQ(ZipEntryText(archive, "Menus/ja/Menus.archive", nullptr), std::nullopt);
    const std::string otherJob = std::string(lirno::UploadPasswordPrefix) + "4712";
    EXPECT_EQ(ZipEntryText(archive, "Menus/ja/Menus.archive", otherJob.c_str()), std::nullopt);
    EXPECT_EQ(ZipEntryText(Folder() + "/lirno_bak.zip", "Game/de/Game.archive", nullptr), "archive Game de");
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
    const std::string password = std::string(lirno::UploadPasswordPrefix) + "0";
    EXPECT_EQ(ZipEntryNames(UnshiftedUpload(upload.Value()), password.c_str()).size(), 3u);
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

TEST_F(Packaging, ResultPackageIsUnshiftedAndExtractedOverTheFolder)
{
    auto bytes = MakeZip({{"Game/Game.manifest", "new manifest"},
                          {"Game/de/Game.archive", "new de"},
                          {"Game/pt/Game.archive", "new pt"}});
    const auto plain = bytes;
    lirno::ShiftBytes(bytes, 67);
    const std::string processed = Folder() + "/lirno_tmp_processed.bin";
    host::File::WriteAll(processed, bytes);

    const auto report = lirnoFileHelper::ApplyResultPackage(processed);
    EXPECT_TRUE(report.IsComplete());
    EXPECT_EQ(ReadText(Folder() + "/Game/Game.manifest"), "new manifest");
    EXPECT_EQ(ReadText(Folder() + "/Game/de/Game.archive"), "new de");
    EXPECT_EQ(ReadText(Folder() + "/Game/pt/Game.archive"), "new pt");
    EXPECT_EQ(ReadText(Folder() + "/Game/en/Game.archive"), "archive Game en");
    std::vector<std::uint8_t> after;
    host::File::ReadAll(processed, after);
    EXPECT_EQ(after, plain) << "the processed file holds the plain archive afterwards";
}

TEST_F(Packaging, ResultEntriesLeadingOutsideAreRefusedByName)
{
    auto bytes =
        MakeZip({{"../escape.txt", "x"}, {"Game/de/Game.archive", "new de"}, {"Game/../../up.txt", "y"}});
    lirno::ShiftBytes(bytes, 67);
    const std::string processed = Folder() + "/lirno_tmp_processed.bin";
    host::File::WriteAll(processed, bytes);

    const auto report = lirnoFileHelper::ApplyResultPackage(processed);
    EXPECT_TRUE(report.bOpened);
    EXPECT_EQ(report.Refused, (std::vector<std::string>{"../escape.txt", "../up.txt"}));
    EXPECT_TRUE(report.Failed.empty());
    EXPECT_FALSE(report.IsComplete());
    EXPECT_EQ(ReadText(Folder() + "/Game/de/Game.archive"), "new de");
    EXPECT_FALSE(std::filesystem::exists(Host->Folders.ProjectDir() + "Content/escape.txt"));
    EXPECT_FALSE(std::filesystem::exists(Host->Folders.ProjectDir() + "Content/up.txt"));
}

TEST_F(Packaging, AnEmptyOrForeignResultIsNotOpened)
{
    const std::string processed = Folder() + "/lirno_tmp_processed.bin";
    host::File::WriteAllText(processed, "");
    EXPECT_FALSE(lirnoFileHelper::ApplyResultPackage(processed).bOpened);
    host::File::WriteAllText(processed, "plain text, shifted or not");
    EXPECT_FALSE(lirnoFileHelper::ApplyResultPackage(processed).bOpened);
    EXPECT_EQ(ReadText(Folder() + "/Game/de/Game.archive"), "archive Game de");
}
} // namespace
} // namespace lirnotest
