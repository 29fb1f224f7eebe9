#include "LocalizationWork.h"
#include "PackageFixture.h"

#include <LocFormat/Origin.h>
#include <Util/Utf.h>

#include <gtest/gtest.h>

namespace lirno::service
{
namespace
{
const NativeCultures English = {{"Game", "en"}, {"Menus", "en"}};

const CultureWork* Find(const WorkPlan& plan, const std::string& entry)
{
    for (const CultureWork& work : plan.cultures)
    {
        if (work.entry_name == entry)
            return &work;
    }
    return nullptr;
}
} // namespace

TEST(PlanWork, SkipsNativeCulturesAndCountsOnlyUntranslatedTexts)
{
    std::string error;
    const auto plan = PlanWork(test::SampleUpload(), English, false, error);
    ASSERT_TRUE(plan) << error;
    ASSERT_EQ(plan->cultures.size(), 3u);
    EXPECT_EQ(Find(*plan, "Game/en/Game.archive"), nullptr);
    const CultureWork* de = Find(*plan, "Game/de/Game.archive");
    ASSERT_NE(de, nullptr);
    EXPECT_EQ(de->pair.source_culture, "en");
    EXPECT_EQ(de->pending.size(), 2u); // the first text already has a German translation
    EXPECT_EQ(Find(*plan, "Game/es/Game.archive")->pending.size(), 3u);
    EXPECT_EQ(Find(*plan, "Menus/fr/Menus.archive")->pending.size(), 2u);
    EXPECT_EQ(plan->texts, 7u);
    EXPECT_EQ(plan->characters, de->characters + Find(*plan, "Game/es/Game.archive")->characters +
                                    util::CountCodePoints("Options") + util::CountCodePoints("Quit game"));
    EXPECT_EQ(plan->targets, (std::vector<std::string>{"Game", "Menus"}));
}

TEST(PlanWork, PseudoLocalizedTextsArePendingLikeMissingOnesMachineOutputIsNot)
{
    auto upload = test::SampleUpload();
    locformat::FArchive es = test::ParseArchiveOrFail(upload[3]);
    for (auto& entry : es.Entries)
        entry.Translation = "[" + entry.Source + "]";
    locformat::SetOrigin(es.Entries[0], "pseudo");
    locformat::SetOrigin(es.Entries[1], "machine:apertium");
    std::string error;
    ASSERT_TRUE(locformat::ArchiveToJson(es, upload[3].bytes, error));
    const auto plan = PlanWork(upload, English, false, error);
    ASSERT_TRUE(plan) << error;
    const CultureWork* work = Find(*plan, "Game/es/Game.archive");
    ASSERT_NE(work, nullptr);
    EXPECT_EQ(work->pending, std::vector<std::size_t>{0});
    EXPECT_EQ(work->characters, util::CountCodePoints(es.Entries[0].Source));
}

TEST(PlanWork, TranslateAllTakesEveryText)
{
    std::string error;
    const auto plan = PlanWork(test::SampleUpload(), English, true, error);
    ASSERT_TRUE(plan) << error;
    EXPECT_EQ(plan->texts, 8u);
}

TEST(PlanWork, AlignsArchivesWithTheManifest)
{
    // The archive lacks K1 and holds a translation of an older K0 source text.
    const std::vector<PackageEntry> upload = {
        {"Game/Game.manifest", test::ManifestJson("Game", "en", {"New text", "Added"})},
        {"Game/de/Game.archive", test::ArchiveJson("Game", "de", {"Old text"}, {"Alter Text"})},
    };
    std::string error;
    const auto plan = PlanWork(upload, {{"game", "en"}}, false, error);
    ASSERT_TRUE(plan) << error;
    ASSERT_EQ(plan->cultures.size(), 1u);
    const CultureWork& de = plan->cultures[0];
    ASSERT_EQ(de.archive.Entries.size(), 2u);
    EXPECT_EQ(de.archive.Entries[0].Source, "New text");
    EXPECT_EQ(de.archive.Entries[1].Source, "Added");
    EXPECT_EQ(de.pending, (std::vector<std::size_t>{0, 1}));
}

TEST(PlanWork, NativeCultureFallsBackToTheManifest)
{
    std::string error;
    const auto plan = PlanWork(test::SampleUpload(), {}, false, error);
    ASSERT_TRUE(plan) << error;
    EXPECT_EQ(plan->cultures.size(), 3u);
}

TEST(PlanWork, RejectsUnreadableFilesUnknownNativeCultureAndDuplicates)
{
    std::string error;
    EXPECT_FALSE(PlanWork({{"Game/de/Game.archive", "{not json"}}, English, false, error));
    EXPECT_NE(error.find("Game/de/Game.archive"), std::string::npos) << error;
    EXPECT_FALSE(PlanWork({{"Other/de/Other.archive", test::ArchiveJson("Other", "de", {"x"})}}, English,
                          false, error));
    EXPECT_NE(error.find("Other"), std::string::npos) << error;
    const std::string archive = test::ArchiveJson("Game", "de", {"x"});
    EXPECT_FALSE(PlanWork({{"Game/de/Game.archive", archive}, {"Game/de/Game.archive", archive}}, English,
                          false, error));
    EXPECT_NE(error.find("twice"), std::string::npos) << error;
}

TEST(PlanWork, IgnoresEntriesOutsideThePackageLayout)
{
    std::string error;
    const std::string archive = test::ArchiveJson("Game", "de", {"x"});
    const auto plan =
        PlanWork({{"Game/de/x/Game.archive", archive}, {"../de/Game.archive", archive}, {"readme.txt", "hi"}},
                 English, false, error);
    ASSERT_TRUE(plan) << error;
    EXPECT_TRUE(plan->cultures.empty());
}

TEST(ParseNativeCultures, ReadsTheHeaderObject)
{
    std::string error;
    const auto natives = ParseNativeCultures("{\n\t\"Game\": \"en\",\n\t\"Menus\": \"en-GB\"\n}", error);
    ASSERT_TRUE(natives) << error;
    EXPECT_EQ(*natives, (NativeCultures{{"Game", "en"}, {"Menus", "en-GB"}}));
    EXPECT_TRUE(ParseNativeCultures("{}", error));
    EXPECT_FALSE(ParseNativeCultures("[\"en\"]", error));
    EXPECT_FALSE(ParseNativeCultures("{\"Game\": 3}", error));
}
} // namespace lirno::service
