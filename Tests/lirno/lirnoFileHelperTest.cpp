// Targets, cultures and file locations.
#include "lirnoFileHelper.h"
#include "lirnoTestSupport.h"

namespace lirnotest
{
namespace
{
using lirno::lirnoFileHelper;

// The value of a key, or nothing.
template <class V> std::optional<V> ValueAt(const lirno::TTargetMap<V>& map, const std::string& key)
{
    const V* value = map.Find(key);
    return value ? std::optional<V>(*value) : std::nullopt;
}

// The keys in map order.
template <class V> std::vector<std::string> Keys(const lirno::TTargetMap<V>& map)
{
    std::vector<std::string> keys;
    for (const auto& entry : map)
    {
        keys.push_back(entry.first);
    }
    return keys;
}

TEST(lirnoTargetMap, KeepsFirstPositionAndTakesTheLaterNameAndValue)
{
    lirno::TTargetMap<int> map;
    map.Add("Game", 1);
    map.Add("Menus", 2);
    map.Add("game", 3);
    EXPECT_EQ(Keys(map), (std::vector<std::string>{"game", "Menus"}));
    EXPECT_EQ(map.begin()->second, 3);
    EXPECT_EQ(ValueAt(map, "GAME"), 3);
    EXPECT_EQ(map.Find("Other"), nullptr);
}

TEST(lirnoFileHelper, CulturesFollowTargetOrder)
{
    fake::FScopedFakeHost fakeHost;
    EXPECT_TRUE(Keys(lirnoFileHelper::GetTargetCultures()).empty());
    EXPECT_TRUE(Keys(lirnoFileHelper::GetNativeCultures()).empty());

    fakeHost->Loc.SetGameTargets(
        {{"B", 1, {"en", "de"}}, {"A", 0, {"fr"}}, {"C", 0, {}}, {"b", 0, {"ja", "en"}}});
    const auto cultures = lirnoFileHelper::GetTargetCultures();
    EXPECT_EQ(Keys(cultures), (std::vector<std::string>{"b", "A", "C"}));
    EXPECT_EQ(ValueAt(cultures, "B"), (std::vector<std::string>{"ja", "en"}));
    EXPECT_EQ(ValueAt(cultures, "C"), std::vector<std::string>{});

    // A target whose native index designates no culture is left out, not guessed.
    const auto natives = lirnoFileHelper::GetNativeCultures();
    EXPECT_EQ(Keys(natives), (std::vector<std::string>{"b", "A"}));
    EXPECT_EQ(ValueAt(natives, "b"), "ja");
    EXPECT_EQ(ValueAt(natives, "A"), "fr");
}

TEST(lirnoFileHelper, ResolvesFilesFromTheGatherConfiguration)
{
    fake::FScopedFakeHost fakeHost;
    fakeHost->AddGameTarget("Game", {"en"});
    const auto target = fakeHost->Loc.GameTargets().front();
    const auto files = lirnoFileHelper::ResolveTargetFiles(*target);
    ASSERT_TRUE(files.IsOk());
    EXPECT_EQ(files.Value().SourceFolder, fakeHost->Folders.ProjectDir() + "Content/Localization/Game");
    EXPECT_EQ(files.Value().ManifestName, "Game.manifest");
    EXPECT_EQ(files.Value().ArchiveName, "Game.archive");

    // Engine targets resolve below the engine folder.
    fakeHost->Loc.SetEngineTargets({{"Engine", 0, {"en"}}});
    const auto engineTarget = fakeHost->Loc.EngineTargets().front();
    fakeHost->Loc.WriteConfig(
        fakeHost->Loc.GenerateConfig(*engineTarget, host::ELocalizationStep::GatherText),
        fakeHost->Loc.ConfigPath(*engineTarget, host::ELocalizationStep::GatherText));
    const auto engineFiles = lirnoFileHelper::ResolveTargetFiles(*engineTarget);
    ASSERT_TRUE(engineFiles.IsOk());
    EXPECT_EQ(engineFiles.Value().SourceFolder,
              fakeHost->Folders.EngineDir() + "Content/Localization/Engine");
}

TEST(lirnoFileHelper, ReportsTheFirstMissingKey)
{
    fake::FScopedFakeHost fakeHost;
    fakeHost->Loc.SetGameTargets({{"Game", 0, {"en"}}});
    const auto target = fakeHost->Loc.GameTargets().front();
    const std::string path = fakeHost->Loc.ConfigPath(*target, host::ELocalizationStep::GatherText);

    auto missing = lirnoFileHelper::ResolveTargetFiles(*target);
    EXPECT_EQ(missing.Error(), "No source path specified.");

    host::FIniDocument config;
    config.Set("CommonSettings", "SourcePath", "Content/Localization/Game");
    config.Set("CommonSettings", "DestinationPath", "Content/Localization/Game");
    config.Set("CommonSettings", "ArchiveName", "Game.archive");
    fakeHost->Loc.WriteConfig(config, path);
    missing = lirnoFileHelper::ResolveTargetFiles(*target);
    EXPECT_FALSE(missing.IsOk());
    EXPECT_EQ(missing.Error(), "No manifest name specified.");

    std::vector<std::string> errors;
    for (const auto& line : fakeHost->Log.Lines())
    {
        if (line.Category == "LogGeneral" && line.Verbosity == host::EVerbosity::Error)
        {
            errors.push_back(line.Text);
        }
    }
    EXPECT_EQ(errors, (std::vector<std::string>{"No source path specified.", "No manifest name specified."}));
}

TEST(lirnoFileHelper, JoinsPathsWithOneSeparator)
{
    EXPECT_EQ(lirnoFileHelper::JoinPath("a", "b"), "a/b");
    EXPECT_EQ(lirnoFileHelper::JoinPath("a/", "b"), "a/b");
    EXPECT_EQ(lirnoFileHelper::JoinPath("a\\", "b"), "a\\b");
    EXPECT_EQ(lirnoFileHelper::JoinPath("a", "/b"), "a/b");
    EXPECT_EQ(lirnoFileHelper::JoinPath("", "b"), "b");
}

TEST(lirnoFileHelper, EntryNamesMustStayInsideTheFolder)
{
    for (const char* inside : {"Game/de/Game.archive", "Game/", "a..b/c", "Game/..hidden"})
    {
        EXPECT_TRUE(lirnoFileHelper::IsContainedEntryName(inside)) << inside;
    }
    for (const char* outside :
         {"../x", "Game/../../x", "Game\\..\\..\\x", "/etc/passwd", "\\x", "C:x", "..", ""})
    {
        EXPECT_FALSE(lirnoFileHelper::IsContainedEntryName(outside)) << outside;
    }
}
} // namespace
} // namespace lirnotest
