// Module start-up and shut-down on the fake host: settings section, style, command and menus.
#include "lirno.h"
#include "lirnoCommands.h"
#include "lirnoStyle.h"
#include "lirnoTestSupport.h"

#include <filesystem>
#include <fstream>

namespace lirnotest
{
namespace
{
class Module : public PluginTest
{
protected:
    Module()
    {
        Host->PluginRegistry.Add(
            host::FPluginInfo{"lirno", SourceRoot(), SourceRoot() + "lirno.plugin", LIRNO_VERSION});
    }
    // Shutting down a module that is not (or no longer) started changes nothing.
    ~Module() override { Plugin.ShutdownModule(); }
    static std::string SourceRoot()
    {
        // Tests/lirno/<this file> -> repository root
        return std::filesystem::path(__FILE__).parent_path().parent_path().parent_path().string() + "/";
    }
    const host::FMenuEntry* EntryIn(const std::string& menu, const std::string& section) const
    {
        const auto* found = Host->MenuSystem.FindMenu(menu);
        if (!found)
        {
            return nullptr;
        }
        for (const auto& s : found->Sections)
        {
            if (s.Name == section && !s.Entries.empty())
            {
                return &s.Entries.front();
            }
        }
        return nullptr;
    }

    lirno::FlirnoModule Plugin;
};

TEST_F(Module, StartupRegistersSectionStyleCommandAndMenus)
{
    Plugin.StartupModule();

    const auto section = Host->SettingsRegistry.Find("Project", "Plugins", "PallantoSetting");
    ASSERT_NE(section, nullptr);
    EXPECT_EQ(section->DisplayName, host::LocText("FlirnoModule", "RuntimeSettingsName", "PallantoSetting"));
    EXPECT_EQ(section->Description, host::LocText("FlirnoModule", "RuntimeSettingsDescription",
                                                  "Configure Pallanto localization translation Setting"));
    EXPECT_EQ(section->Object, lirno::UlirnoSetting::Get());

    const auto command = Host->BindingRegistry.FindCommand("lirno.PluginAction");
    ASSERT_NE(command, nullptr);
    EXPECT_EQ(command->Label, host::LocText("FlirnoModule", "PluginAction", "Localization"));
    EXPECT_EQ(command->Description.Source, "Execute translation action");
    EXPECT_EQ(command->Kind, host::EUserInterfaceActionType::Button);
    EXPECT_EQ(Host->BindingRegistry.Find("lirno")->Description,
              host::LocText("Contexts", "lirno", "lirno Plugin"));

    const auto style = Host->StyleRegistry.Find(command->StyleSetName);
    ASSERT_NE(style, nullptr);
    const auto* brush = style->GetBrush(command->IconBrush);
    ASSERT_NE(brush, nullptr);
    EXPECT_EQ(brush->ImagePath, SourceRoot() + "Resources/ButtonIcon_40x.png");
    EXPECT_EQ(brush->Width, 40);
    EXPECT_EQ(brush->Height, 40);
    EXPECT_EQ(style->Brushes().size(), 1u);
    EXPECT_EQ(Host->Ui.TextureReloads, 1);

    // The icon is a real 40x40 PNG.
    std::ifstream png(brush->ImagePath, std::ios::binary);
    std::string head(24, '\0');
    png.read(head.data(), 24);
    EXPECT_EQ(head.substr(1, 3), "PNG");
    EXPECT_EQ(head.substr(16, 8), std::string("\0\0\0\x28\0\0\0\x28", 8));

    EXPECT_EQ(Host->MenuSystem.FindMenu("LevelEditor.MainMenu.Window"), nullptr) << "menus wait until ready";
    Host->MenuSystem.SetReady();
    const auto* menuEntry = EntryIn("LevelEditor.MainMenu.Window", "WindowLayout");
    const auto* toolbarButton = EntryIn("LevelEditor.LevelEditorToolBar.PlayToolBar", "PluginTools");
    ASSERT_NE(menuEntry, nullptr);
    ASSERT_NE(toolbarButton, nullptr);
    EXPECT_EQ(menuEntry->Kind, host::EMenuEntryKind::MenuEntry);
    EXPECT_EQ(toolbarButton->Kind, host::EMenuEntryKind::ToolbarButton);
    EXPECT_EQ(toolbarButton->CommandList, Plugin.CommandList());

    // Executing the toolbar button starts a job.
    Settings().AutoCheckUpdate = true;
    EXPECT_TRUE(toolbarButton->CommandList->Execute(*toolbarButton->Command));
    EXPECT_EQ(Host->Log.Texts("lirnoHelperLog").front(), "Start Translate");
    EXPECT_TRUE(lirno::bTranslationRunning);
    ASSERT_TRUE(Host->Web.Respond({500, ""}));
    EXPECT_TRUE(RunUntilJobEnds());
}

TEST_F(Module, ShutdownRemovesEverythingAndStartupWorksAgain)
{
    Host->MenuSystem.SetReady();
    for (int round = 0; round < 2; ++round)
    {
        SCOPED_TRACE(round);
        Plugin.StartupModule();
        EXPECT_NE(Host->StyleRegistry.Find("lirnoStyle"), nullptr);
        EXPECT_NE(EntryIn("LevelEditor.MainMenu.Window", "WindowLayout"), nullptr);
        Plugin.ShutdownModule();
        EXPECT_EQ(Host->SettingsRegistry.Find("Project", "Plugins", "PallantoSetting"), nullptr);
        EXPECT_EQ(Host->StyleRegistry.Find("lirnoStyle"), nullptr);
        EXPECT_EQ(Host->BindingRegistry.Find("lirno"), nullptr);
        EXPECT_EQ(Host->MenuSystem.StartupCallbackCount(), 0u);
        EXPECT_EQ(EntryIn("LevelEditor.MainMenu.Window", "WindowLayout"), nullptr);
        EXPECT_EQ(EntryIn("LevelEditor.LevelEditorToolBar.PlayToolBar", "PluginTools"), nullptr);
    }
}

TEST_F(Module, WithoutTheSettingsServiceEverythingElseIsRegistered)
{
    Host->ModuleList.bSettingsLoaded = false;
    Plugin.StartupModule();
    EXPECT_TRUE(Host->SettingsRegistry.All().empty());
    EXPECT_NE(Host->BindingRegistry.Find("lirno"), nullptr);
    EXPECT_NE(Host->StyleRegistry.Find("lirnoStyle"), nullptr);
    EXPECT_EQ(Host->MenuSystem.StartupCallbackCount(), 1u);
}

TEST_F(Module, AnExistingContextIsTakenOver)
{
    auto existing = std::make_shared<host::FBindingContext>();
    existing->Name = "lirno";
    Host->BindingRegistry.Add(existing);
    const unsigned changes = Host->BindingRegistry.ChangeCount();
    lirno::FlirnoCommandSet::Register();
    lirno::FlirnoCommandSet::Register();
    EXPECT_EQ(lirno::FlirnoCommandSet::Get().Context, existing);
    EXPECT_TRUE(existing->Commands.empty());
    EXPECT_EQ(Host->BindingRegistry.ChangeCount(), changes);
    lirno::FlirnoCommandSet::Unregister();
    EXPECT_EQ(Host->BindingRegistry.Find("lirno"), nullptr);
}
} // namespace
} // namespace lirnotest
