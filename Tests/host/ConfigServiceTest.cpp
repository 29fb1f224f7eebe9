#include "ConfigService.h"
#include "HostTestSupport.h"
#include "ProjectPaths.h"
#include "TestRecords.h"

#include <gtest/gtest.h>

using namespace host;
using namespace host::test;

namespace
{
FProjectPaths PathsOf(const std::string& dir)
{
    std::string error;
    auto project = LoadProject(dir, error);
    EXPECT_TRUE(project) << error;
    return FProjectPaths(*project, "/engine");
}
const std::string Section = "/Script/hosttest.TestSettings";
} // namespace

TEST(ConfigService, DefaultObjectIsDefaultsOverlaidByProjectThenUserFile)
{
    const std::string dir = MakeProject("config_overlay");
    File::WriteAllText(dir + "Config/DefaultEngine.ini", "[" + Section + "]\nKey=project\nRetries=7\n");
    File::WriteAllText(dir + "Saved/Config/User/Engine.ini",
                       "[" + Section + "]\nKey=user\nColour=Deep Blue\nEnabled=False\nRetries=many\n");
    const auto paths = PathsOf(dir);
    FConfigService config(paths);
    testing::internal::CaptureStderr();
    auto* settings = static_cast<FTestSettings*>(config.DefaultObject(FTestSettings::StaticStruct()));
    const std::string warnings = testing::internal::GetCapturedStderr();
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(config.DefaultObject(FTestSettings::StaticStruct()), settings);
    EXPECT_EQ(settings->Host, "https://example.invalid");
    EXPECT_EQ(settings->Key, "user");
    EXPECT_EQ(settings->Colour, EColour::DeepBlue);
    EXPECT_FALSE(settings->Enabled);
    EXPECT_EQ(settings->Retries, 7); // the bad user value is ignored with a warning
    EXPECT_NE(warnings.find("Retries=many"), std::string::npos);
    EXPECT_EQ(config.UserConfigPath("Engine"), dir + "Saved/Config/User/Engine.ini");
}

TEST(ConfigService, SavedValuesReadBackAndOtherSectionsSurvive)
{
    const std::string dir = MakeProject("config_save");
    File::WriteAllText(dir + "Saved/Config/User/Engine.ini", "[Other]\nA=1\n");
    const auto paths = PathsOf(dir);
    {
        FConfigService config(paths);
        auto* settings = static_cast<FTestSettings*>(config.DefaultObject(FTestSettings::StaticStruct()));
        settings->Host = "http://127.0.0.1:1/";
        settings->Key = " spaced ";
        settings->Colour = EColour::Red;
        settings->Ratio = 0.1;
        ASSERT_TRUE(config.SaveObject(FTestSettings::StaticStruct(), settings));
    }
    const std::string path = dir + "Saved/Config/User/Engine.ini";
    EXPECT_EQ(ReadIniValue(path, "Other", "A"), "1");
    EXPECT_EQ(ReadIniValue(path, Section, "Colour"), "Red");
    EXPECT_EQ(ReadIniValue(path, Section, "Enabled"), "true");
    FConfigService config(paths);
    auto* again = static_cast<FTestSettings*>(config.DefaultObject(FTestSettings::StaticStruct()));
    EXPECT_EQ(again->Host, "http://127.0.0.1:1/");
    EXPECT_EQ(again->Key, " spaced ");
    EXPECT_EQ(again->Colour, EColour::Red);
    EXPECT_EQ(again->Ratio, 0.1);
}

TEST(ProjectPaths, ProjectFolderNeedsExactlyOneProjectFile)
{
    const std::string dir = MakeProject("paths_project", "Game");
    std::string error;
    auto loaded = LoadProject(dir, error);
    ASSERT_TRUE(loaded) << error;
    EXPECT_EQ(loaded->Name, "Game");
    const FProjectPaths paths(*loaded, "/opt/editor");
    EXPECT_EQ(paths.ProjectDir(), dir);
    EXPECT_EQ(paths.ProjectFilePath(), dir + "Game.project");
    EXPECT_EQ(paths.ProjectSavedDir(), dir + "Saved/");
    EXPECT_EQ(paths.EngineConfigDir(), "/opt/editor/Config/");

    File::WriteAllText(dir + "Second.project", "{}");
    EXPECT_FALSE(LoadProject(dir, error));
    EXPECT_NE(error.find("more than one project file"), std::string::npos);
    File::Delete(dir + "Second.project");
    File::Delete(dir + "Game.project");
    EXPECT_FALSE(LoadProject(dir, error));
    EXPECT_NE(error.find("no project file"), std::string::npos);
}
