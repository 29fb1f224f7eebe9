#include "EditorHost.h"
#include "HostTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

using namespace host;
using namespace host::test;

namespace
{
// The real host over a temporary project, installed for the test's duration.
class ModuleManager : public testing::Test
{
protected:
    void StartHost(bool withSettings)
    {
        FEditorHostOptions options;
        std::string error;
        options.Project = *LoadProject(MakeProject("modules_project"), error);
        options.EngineDir = TestRoot() + "no_engine";
        options.Console = &Out.Console();
        options.WithSettingsModule = withSettings;
        options.UI.Browser = [](const std::string&) { return false; };
        Host = std::make_unique<FEditorHost>(options);
        Install(Host.get());
        // A copy per test: libraries of the same path would be shared between tests of one process.
        PluginDir = MakeTestPluginFolder(std::string("modules_") +
                                         testing::UnitTest::GetInstance()->current_test_info()->name());
        Host->ModuleManager().Discover({PluginDir}, Host->Paths().ProjectDir() + "Plugins");
    }
    void TearDown() override
    {
        if (Host)
        {
            Host->ModuleManager().ShutdownAll();
        }
        Host.reset();
    }

    FCapturedConsole Out;
    std::unique_ptr<FEditorHost> Host;
    std::string PluginDir;
};
} // namespace

TEST_F(ModuleManager, DiscoversPluginAndStartsItsModule)
{
    StartHost(true);
    const auto plugin = Host->Plugins().Find("HostTest");
    ASSERT_TRUE(plugin);
    EXPECT_EQ(plugin->BaseDir, PluginDir);
    EXPECT_EQ(plugin->Version, "0.1");
    EXPECT_TRUE(Host->Modules().IsModuleLoaded("Settings"));
    EXPECT_FALSE(Host->Modules().IsModuleLoaded("hosttestmodule"));

    ASSERT_TRUE(Host->ModuleManager().LoadAll());
    EXPECT_TRUE(Host->Modules().IsModuleLoaded("hosttestmodule"));
    EXPECT_TRUE(Host->Settings().FindSection("HostTestSettings"));
    EXPECT_TRUE(Host->Bindings().FindCommand("hosttest.Action"));
    EXPECT_NE(Out.Text().find("LogHostTest: Display: startup 1\n"), std::string::npos);

    Host->Menus().SetReady();
    EXPECT_EQ(Host->Menus().FindMenu("Test.MainMenu")->Sections[0].Entries.size(), 1u);

    Host->ModuleManager().ShutdownAll();
    EXPECT_FALSE(Host->Modules().IsModuleLoaded("hosttestmodule"));
    EXPECT_TRUE(Host->Settings().All().empty());
    EXPECT_TRUE(Host->Menus().FindMenu("Test.MainMenu")->Sections[0].Entries.empty());
    EXPECT_NE(Out.Text().find("LogHostTest: Display: shutdown\n"), std::string::npos);
}

TEST_F(ModuleManager, WithoutSettingsModuleNoSectionIsRegistered)
{
    StartHost(false);
    ASSERT_TRUE(Host->ModuleManager().LoadAll());
    EXPECT_FALSE(Host->Modules().IsModuleLoaded("Settings"));
    EXPECT_TRUE(Host->Settings().All().empty());
    EXPECT_TRUE(Host->Bindings().FindCommand("hosttest.Action"));
}

TEST_F(ModuleManager, UnloadAndLoadAgainStartsAFreshLibrary)
{
    StartHost(true);
    ASSERT_TRUE(Host->ModuleManager().LoadModule("hosttestmodule"));
    // Other tests' copies of the library may still be loaded in this process.
    const auto copies = []
    {
        const auto all = RegisteredStructs();
        return std::count_if(all.begin(), all.end(),
                             [](const auto* s)
                             { return s->PathName() == "/Script/hosttestmodule.ModuleSettings"; });
    };
    const auto loaded = copies();
    ASSERT_GE(loaded, 1);
    ASSERT_TRUE(Host->ModuleManager().UnloadModule("hosttestmodule"));
    EXPECT_EQ(copies(), loaded - 1); // its static registrations went with it
    EXPECT_FALSE(Host->Bindings().FindCommand("hosttest.Action"));
    ASSERT_TRUE(Host->ModuleManager().LoadModule("hosttestmodule"));
    EXPECT_TRUE(Host->Bindings().FindCommand("hosttest.Action"));
    EXPECT_TRUE(Host->Settings().FindSection("HostTestSettings")->Object);
    const std::string text = Out.Text();
    // A second "startup 1" shows the library really was unloaded and loaded again.
    const auto first = text.find("startup 1\n");
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(text.find("startup 1\n", first + 1), std::string::npos) << text;
}

TEST_F(ModuleManager, MissingLibraryOrUnknownModuleFailsWithMessage)
{
    StartHost(true);
    std::filesystem::remove(PluginDir + "Binaries/libhosttestmodule.so");
    EXPECT_FALSE(Host->ModuleManager().LoadAll());
    EXPECT_FALSE(Host->ModuleManager().LoadModule("nothing"));
    const std::string text = Out.Text();
    EXPECT_NE(text.find("LogGeneral: Error: Module hosttestmodule: libhosttestmodule.so is neither"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("LogGeneral: Error: Module nothing belongs to no discovered plug-in"),
              std::string::npos);
}

TEST_F(ModuleManager, DescriptorMembersOfTheWrongTypeAreRefusedWithMessage)
{
    StartHost(false);
    const std::string dir = TestRoot() + "modules_wrong_types/";
    std::filesystem::create_directories(dir + "Numbered");
    std::filesystem::create_directories(dir + "Typed");
    File::WriteAllText(dir + "Numbered/Numbered.plugin",
                       R"({"VersionName": 1.3, "Modules": [{"Name": "numberedmodule", "Type": "Editor"}]})");
    File::WriteAllText(
        dir + "Typed/Typed.plugin",
        R"({"VersionName": "2.0", "Modules": [{"Name": "typedmodule", "Type": 7}, {"Name": "plainmodule"}]})");
    Host->ModuleManager().Discover({dir + "Numbered", dir + "Typed"}, Host->Paths().ProjectDir() + "Plugins");

    EXPECT_FALSE(Host->Plugins().Find("Numbered"));
    ASSERT_TRUE(Host->Plugins().Find("Typed"));
    EXPECT_EQ(Host->Plugins().Find("Typed")->Version, "2.0");
    EXPECT_FALSE(Host->ModuleManager().LoadModule("numberedmodule"));
    EXPECT_FALSE(Host->ModuleManager().LoadModule("typedmodule"));
    const std::string text = Out.Text();
    const std::string numbered = dir + "Numbered/Numbered.plugin";
    EXPECT_NE(
        text.find("LogGeneral: Error: Plug-in descriptor " + numbered + ": \"VersionName\" is not a string"),
        std::string::npos)
        << text;
    EXPECT_NE(text.find("Typed/Typed.plugin, module typedmodule: \"Type\" is not a string"),
              std::string::npos);
    EXPECT_NE(text.find("Module numberedmodule belongs to no discovered plug-in"), std::string::npos);
    // The well-formed module of the same descriptor is still known: only its library is missing.
    EXPECT_FALSE(Host->ModuleManager().LoadModule("plainmodule"));
    EXPECT_NE(Out.Text().find("Module plainmodule: libplainmodule.so is neither"), std::string::npos);
}
