#include "lirno.h"

#include "Host.h"
#include "lirnoApplyJournal.h"
#include "lirnoCommands.h"
#include "lirnoFileHelper.h"
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

// An apply cut short by a crash is completed (or its leftovers removed) before anything reads
// the localization folder. Only under the project lock: another editor may be mid-apply.
void RecoverInterruptedApply()
{
    try
    {
        std::string error;
        const auto lock = host::FFileLock::TryAcquire(lirnoFileHelper::ProjectLockPath(), error);
        if (!lock)
        {
            host::Log(lirnoHelperLog, host::EVerbosity::Log,
                      "Skipped recovering an interrupted apply: " + error);
            return;
        }
        for (const auto& line : lirnoApplyJournal::Recover(lirnoFileHelper::LocalizationFolder()))
        {
            host::Log(lirnoHelperLog, host::EVerbosity::Warning, line);
        }
    }
    catch (const std::exception& failure)
    {
        // The editor starts whatever the folder holds; the next start tries again.
        host::Log(lirnoHelperLog, host::EVerbosity::Warning,
                  std::string("Could not recover an interrupted apply: ") + failure.what());
    }
}
} // namespace

FlirnoModule::~FlirnoModule() = default;

void FlirnoModule::StartupModule()
{
    RecoverInterruptedApply();

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
