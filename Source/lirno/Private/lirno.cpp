#include "lirno.h"

#include "Host.h"
#include "lirnoCommands.h"
#include "lirnoHelper.h"
#include "lirnoLog.h"
#include "lirnoSetting.h"
#include "lirnoStyle.h"

namespace lirno
{
namespace
{
constexpr const char* SettingsContainer = "Project";
constexpr const char* SettingsCategory = "Plugins";
constexpr const char* SettingsSection = "PallantoSetting";
} // namespace

FlirnoModule::~FlirnoModule() = default;

void FlirnoModule::StartupModule()
{
    auto& h = host::Get();
    if (h.Modules().IsModuleLoaded("Settings"))
    {
        host::FSettingsSection section;
        section.Container = SettingsContainer;
        section.Category = SettingsCategory;
        section.Section = SettingsSection;
        section.DisplayName = host::LocText("FlirnoModule", "RuntimeSettingsName", "PallantoSetting");
        section.Description = host::LocText("FlirnoModule", "RuntimeSettingsDescription",
                                            "Configure Pallanto localization translation Setting");
        section.Type = &UlirnoSetting::StaticStruct();
        section.Object = UlirnoSetting::Get();
        h.Settings().Register(std::move(section));
    }

    lirnoStyle::Initialize();
    FlirnoCommandSet::Register();

    PluginCommands = std::make_shared<host::FUICommandList>();
    if (const auto& command = FlirnoCommandSet::Get().PluginAction)
    {
        PluginCommands->MapAction(command, [this] { OnPluginAction(); });
    }
    h.Menus().RegisterStartupCallback(this, [this] { RegisterMenus(); });
}

void FlirnoModule::ShutdownModule()
{
    auto& h = host::Get();
    if (h.Modules().IsModuleLoaded("Settings"))
    {
        h.Settings().Unregister(SettingsContainer, SettingsCategory, SettingsSection);
    }
    h.Menus().UnregisterStartupCallbacks(this);
    h.Menus().UnregisterOwner(this);
    lirnoStyle::Shutdown();
    FlirnoCommandSet::Unregister();
}

void FlirnoModule::RegisterMenus()
{
    auto& menus = host::Get().Menus();
    const auto& command = FlirnoCommandSet::Get().PluginAction;
    menus.ExtendMenu("LevelEditor.MainMenu.Window")
        .FindOrAddSection("WindowLayout")
        .AddMenuEntry(command, PluginCommands, this);
    menus.ExtendMenu("LevelEditor.LevelEditorToolBar.PlayToolBar")
        .FindOrAddSection("PluginTools")
        .AddToolbarButton(command, this)
        .SetCommandList(PluginCommands);
}

void FlirnoModule::OnPluginAction()
{
    // Recursive: a modal box inside Start may let the command run again on this thread.
    std::lock_guard lock(ActionLock);
    if (bTranslationRunning)
    {
        host::Get().UI().ShowMessage("Translation is running!");
        return;
    }
    JobLog("Start Translate");
    // The job keeps itself alive through its pending completions and its worker.
    const auto job = std::make_shared<lirnoHelper>();
    bTranslationRunning = true;
    job->Start();
}
} // namespace lirno
