#include "LocalizationFiles.h"

#include "HostTestSupport.h"

#include "LocFormat/TextFiles.h"
#include "Paths.h"

#include <gtest/gtest.h>

using namespace host;

namespace
{
FLocArchive SampleArchive()
{
    return FLocArchive{
        "Game",
        "ja",
        {{"UI", "A", "Hello {0}", "<b>{0}</b> \"q\" \t\n 日本語 😀", {{"Origin", "\"machine:apertium\""}}},
         {"UI", "B", "Bye", "", {{"Note", "{\"by\":[\"x\",1]}"}, {"Approved", "true"}}},
         {"Dialogue", "C", "Hi", "Hallo", {}}}};
}

TEST(LocalizationFiles, ArchiveTextIsWhatTheStepsWriteAndRoundTripsByteForByte)
{
    std::string text;
    std::string error;
    ASSERT_TRUE(LocFiles::ArchiveToText(SampleArchive(), text, error)) << error;

    // The steps write archives through the format library: the same bytes.
    const std::string path = test::TestRoot() + "locfiles_test/ja/Game.archive";
    locformat::FArchive steps{"Game", "ja", {}};
    for (const FLocArchiveEntry& entry : SampleArchive().Entries)
    {
        steps.Entries.push_back(
            {entry.Namespace, entry.Key, entry.Source, entry.Translation, entry.OtherFields});
    }
    ASSERT_TRUE(locformat::WriteArchive(path, steps, error)) << error;
    std::string written;
    ASSERT_TRUE(File::ReadAllText(path, written));
    EXPECT_EQ(text, written);

    FLocArchive read;
    ASSERT_TRUE(LocFiles::ParseArchive(written, path, read, error)) << error;
    EXPECT_EQ(read.Culture, "ja");
    ASSERT_EQ(read.Entries.size(), 3u);
    EXPECT_EQ(read.Entries[0].Translation, SampleArchive().Entries[0].Translation);
    EXPECT_EQ(read.Entries[1].OtherFields, SampleArchive().Entries[1].OtherFields);
    std::string again;
    ASSERT_TRUE(LocFiles::ArchiveToText(read, again, error)) << error;
    EXPECT_EQ(again, written);

    FLocArchive broken = SampleArchive();
    broken.Entries[2].Translation = "caf\xE9";
    EXPECT_FALSE(LocFiles::ArchiveToText(broken, text, error));
}

TEST(LocalizationFiles, ManifestsReadAndFaultsNameTheFile)
{
    FLocManifest manifest;
    std::string error;
    ASSERT_TRUE(LocFiles::ParseManifest(
        R"({"FormatVersion": 1, "Target": "Game", "NativeCulture": "en", "Entries": [
            {"Namespace": "UI", "Key": "B", "Source": "Bee", "Origins": ["UI.csv:3"]},
            {"Namespace": "UI", "Key": "A", "Source": "Ay"}]})",
        "Game.manifest", manifest, error))
        << error;
    EXPECT_EQ(manifest.Target, "Game");
    EXPECT_EQ(manifest.NativeCulture, "en");
    ASSERT_EQ(manifest.Entries.size(), 2u);
    EXPECT_EQ(manifest.Entries[0].Key, "B");
    EXPECT_EQ(manifest.Entries[1].Source, "Ay");

    EXPECT_FALSE(LocFiles::ParseManifest(R"({"FormatVersion": 2})", "Game.manifest", manifest, error));
    EXPECT_EQ(error.rfind("Game.manifest", 0), 0u) << error;
    EXPECT_TRUE(manifest.Entries.empty());
    FLocArchive archive;
    EXPECT_FALSE(LocFiles::ParseArchive(R"({"FormatVersion": 1, "Entries": [
        {"Namespace": "N", "Key": "k", "Source": "s"}, {"Namespace": "N", "Key": "k", "Source": "t"}]})",
                                        "de/Game.archive", archive, error));
    EXPECT_NE(error.find("de/Game.archive: entry 2: duplicate text"), std::string::npos) << error;
}
} // namespace
