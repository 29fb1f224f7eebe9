#include "DemoProject.h"

#include "LocFormat/TextFiles.h"

#include <gtest/gtest.h>

namespace
{
TEST(TextFiles, ArchiveRoundTripKeepsTranslationsByteExact)
{
    const testsupport::FTempFolder dir("loctest");
    const std::string tricky = "<b>{PlayerName}</b> a\\b \"q\" \t\n/ é ñ 日本語 😀 &amp; \u2028 {0}{1}";
    locformat::FArchive archive{"Game", "ja", {{"UI", "A", "Hello {0}", tricky}, {"UI", "B", "Hi", ""}}};
    const std::string path = (dir.Path() / "ja" / "Game.archive").string();
    std::string error;
    ASSERT_TRUE(locformat::WriteArchive(path, archive, error)) << error;

    locformat::FArchive read;
    ASSERT_TRUE(locformat::ReadArchive(path, read, error)) << error;
    EXPECT_EQ(read.Culture, "ja");
    ASSERT_EQ(read.Entries.size(), 2u);
    EXPECT_EQ(read.Entries[0].Translation, tricky);
    EXPECT_FALSE(read.Entries[1].IsTranslated());

    std::string text;
    ASSERT_TRUE(locformat::ArchiveToJson(archive, text, error));
    EXPECT_NE(text.find("<b>{PlayerName}</b>"), std::string::npos) << "markup is written as is";
    EXPECT_NE(text.find("日本語"), std::string::npos);
}

TEST(TextFiles, ArchiveKeepsMembersItDoesNotInterpretInFileOrder)
{
    // As the writer lays it out: the interpreted members, then the others in the order read.
    const std::string text = "{\n"
                             "\t\"FormatVersion\": 1,\n"
                             "\t\"Target\": \"Game\",\n"
                             "\t\"Culture\": \"de\",\n"
                             "\t\"Entries\": [\n"
                             "\t\t{\n"
                             "\t\t\t\"Namespace\": \"UI\",\n"
                             "\t\t\t\"Key\": \"A\",\n"
                             "\t\t\t\"Source\": \"Hello\",\n"
                             "\t\t\t\"Translation\": \"Hallo\",\n"
                             "\t\t\t\"Origin\": \"machine:apertium\",\n"
                             "\t\t\t\"Review\": {\n"
                             "\t\t\t\t\"z\": [\n"
                             "\t\t\t\t\t1,\n"
                             "\t\t\t\t\t2.5\n"
                             "\t\t\t\t],\n"
                             "\t\t\t\t\"a\": null\n"
                             "\t\t\t},\n"
                             "\t\t\t\"Approved\": false\n"
                             "\t\t}\n"
                             "\t]\n"
                             "}\n";
    locformat::FArchive archive;
    std::string error;
    ASSERT_TRUE(locformat::ParseArchive(text, "de/Game.archive", archive, error)) << error;
    ASSERT_EQ(archive.Entries.size(), 1u);
    const std::vector<std::pair<std::string, std::string>> others{
        {"Origin", "\"machine:apertium\""}, {"Review", "{\"z\":[1,2.5],\"a\":null}"}, {"Approved", "false"}};
    EXPECT_EQ(archive.Entries[0].OtherFields, others);
    std::string written;
    ASSERT_TRUE(locformat::ArchiveToJson(archive, written, error)) << error;
    EXPECT_EQ(written, text);

    // Members placed anywhere are read in file order and written after "Translation".
    ASSERT_TRUE(
        locformat::ParseArchive("{\"FormatVersion\": 1, \"Entries\": [{\"Origin\": \"human\", "
                                "\"Namespace\": \"UI\", \"Key\": \"A\", \"Note\": 3, \"Source\": \"s\"}]}",
                                "x", archive, error));
    EXPECT_EQ(archive.Entries[0].OtherFields,
              (std::vector<std::pair<std::string, std::string>>{{"Origin", "\"human\""}, {"Note", "3"}}));

    // Members that would overwrite an interpreted one, or another, and text that is not JSON,
    // cannot be written.
    for (const auto& bad : std::vector<std::pair<std::string, std::string>>{
             {"Key", "\"B\""}, {"Origin", "\"again\""}, {"Broken", "{\"a\":"}, {"Latin1", "\"caf\xE9\""}})
    {
        locformat::FArchive wrong = archive;
        wrong.Entries[0].OtherFields.push_back(bad);
        EXPECT_FALSE(locformat::ArchiveToJson(wrong, written, error)) << bad.first;
        EXPECT_NE(error.find("\"" + bad.first + "\""), std::string::npos) << error;
    }
}

TEST(TextFiles, ManifestRoundTripKeepsOrderAndOrigins)
{
    locformat::FManifest manifest{"Game", "en", {{"B", "z", "Zed", {"a.csv:2"}}, {"A", "a", "Ay", {}}}};
    std::string text;
    std::string error;
    ASSERT_TRUE(locformat::ManifestToJson(manifest, text, error));
    locformat::FManifest read;
    ASSERT_TRUE(locformat::ParseManifest(text, "Game.manifest", read, error)) << error;
    ASSERT_EQ(read.Entries.size(), 2u);
    EXPECT_EQ(read.Entries[0].Key, "z");
    EXPECT_EQ(read.Entries[0].Origins, (std::vector<std::string>{"a.csv:2"}));
    EXPECT_EQ(read.NativeCulture, "en");
    ASSERT_NE(read.Find("A", "a"), nullptr);
    EXPECT_EQ(read.Find("A", "z"), nullptr);
}

TEST(TextFiles, MalformedInputIsAnErrorNamingTheFile)
{
    const std::vector<std::pair<std::string, std::string>> cases{
        {"", "malformed JSON"},
        {"{\"FormatVersion\": 1, \"Entries\": [", "malformed JSON"},
        {"[]", "not a JSON object"},
        {"{}", "\"FormatVersion\" is missing"},
        {"{\"FormatVersion\": 2}", "unsupported \"FormatVersion\" 2"},
        {"{\"FormatVersion\": 1, \"Entries\": {}}", "\"Entries\" is not an array"},
        {"{\"FormatVersion\": 1, \"Entries\": [7]}", "entry 1: not a JSON object"},
        {"{\"FormatVersion\": 1, \"Entries\": [[]]}", "entry 1: not a JSON object"},
        {"{\"Entries\": [], \"FormatVersion\": \"1\"}", "\"FormatVersion\" is missing"},
        {"{\"FormatVersion\": 1, \"Target\": {}}", "\"Target\" is not a string"},
        {"{\"FormatVersion\": 1, \"Entries\": [{\"Namespace\": \"N\", \"Source\": \"s\"}]}",
         "entry 1: \"Key\" is missing"},
        {"{\"FormatVersion\": 1, \"Entries\": [{\"Namespace\": \"N\", \"Key\": \"k\", \"Source\": \"s\", "
         "\"Translation\": 5}]}",
         "entry 1: \"Translation\" is not a string"},
        {"{\"FormatVersion\": 1, \"Entries\": [{\"Namespace\": \"N\", \"Key\": \"k\", \"Source\": \"s\"}, "
         "{\"Namespace\": \"N\", \"Key\": \"k\", \"Source\": \"t\"}]}",
         "entry 2: duplicate text"},
        {"{\"FormatVersion\": 1, \"Target\": \"\xFF\"}", "malformed JSON"},
    };
    for (const auto& [json, expected] : cases)
    {
        locformat::FArchive archive;
        std::string error;
        EXPECT_FALSE(locformat::ParseArchive(json, "de/Game.archive", archive, error)) << json;
        EXPECT_EQ(error.rfind("de/Game.archive", 0), 0u) << error;
        EXPECT_NE(error.find(expected), std::string::npos) << error;
    }
    locformat::FManifest manifest;
    std::string error;
    EXPECT_FALSE(locformat::ReadManifest("/nonexistent/Game.manifest", manifest, error));
    EXPECT_NE(error.find("/nonexistent/Game.manifest"), std::string::npos);
}

TEST(TextFiles, TextThatIsNotUtf8CannotBeWritten)
{
    const testsupport::FTempFolder dir("loctest");
    const std::string path = (dir.Path() / "Game.archive").string();
    locformat::FArchive archive{"Game", "de", {{"N", "k", "s", "caf\xE9"}}};
    std::string error;
    EXPECT_FALSE(locformat::WriteArchive(path, archive, error));
    EXPECT_NE(error.find(path), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(path));
}
} // namespace
