// The "Origin" mark of an archive entry: read through the generic members, and kept by a write.
#include "LocFormat/Origin.h"
#include "LocFormat/TextFiles.h"

#include <gtest/gtest.h>

TEST(Origin, KindsOfMarksAndUnknownValuesReadAsHumanWork)
{
    locformat::FArchiveEntry entry{"UI", "A", "Hi", "Salut"};
    EXPECT_EQ(locformat::GetOriginKind(entry), locformat::ETranslationOrigin::Human);
    const std::pair<const char*, locformat::ETranslationOrigin> cases[] = {
        {"\"human\"", locformat::ETranslationOrigin::Human},
        {"\"machine\"", locformat::ETranslationOrigin::Machine},
        {"\"machine:apertium\"", locformat::ETranslationOrigin::Machine},
        {"\"pseudo\"", locformat::ETranslationOrigin::Pseudo},
        {"\"machinery\"", locformat::ETranslationOrigin::Human},
        {"\"Pseudo\"", locformat::ETranslationOrigin::Human},
        {"42", locformat::ETranslationOrigin::Human},
    };
    for (const auto& [json, kind] : cases)
    {
        entry.OtherFields = {{"Origin", json}};
        EXPECT_EQ(locformat::GetOriginKind(entry), kind) << json;
    }
}

TEST(Origin, SetReplacesInPlaceRemovesAndSurvivesAWrite)
{
    locformat::FArchive archive{"Game", "de", {{"UI", "A", "Hi", "Hallo"}}};
    locformat::FArchiveEntry& entry = archive.Entries[0];
    entry.OtherFields = {{"Reviewer", "\"ana\""}, {"Origin", "\"pseudo\""}, {"Note", "{\"a\":1}"}};
    locformat::SetOrigin(entry, locformat::MachineOrigin("apertium"));
    EXPECT_EQ(entry.OtherFields[1], (std::pair<std::string, std::string>{"Origin", "\"machine:apertium\""}));

    std::string json, error;
    ASSERT_TRUE(locformat::ArchiveToJson(archive, json, error)) << error;
    locformat::FArchive read;
    ASSERT_TRUE(locformat::ParseArchive(json, "de.archive", read, error)) << error;
    EXPECT_EQ(locformat::GetOrigin(read.Entries[0]), "machine:apertium");
    EXPECT_EQ(read.Entries[0].OtherFields, entry.OtherFields);

    locformat::SetOrigin(read.Entries[0], "");
    EXPECT_EQ(read.Entries[0].OtherFields.size(), 2u);
    EXPECT_EQ(locformat::GetOrigin(read.Entries[0]), "");
    locformat::SetOrigin(read.Entries[0], "pseudo");
    EXPECT_EQ(read.Entries[0].OtherFields.back().first, "Origin");
    EXPECT_EQ(locformat::MachineOrigin(""), "machine");
}
