// A tiny plug-in module for the host's tests: it registers a settings section, a command with
// a menu entry and a toolbar button, and its action exercises the editor's services as the
// setting Mode asks.
#include "Host.h"
#include "Json.h"
#include "LocalizationFiles.h"

#include <atomic>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace
{
host::FLogCategory LogHostTest("LogHostTest", host::EVerbosity::Log, host::EVerbosity::All);

// Counts start-ups since this library was loaded; a fresh load starts at 1 again.
int StartCount = 0;

struct FModuleSettings
{
    std::string Mode = "message";
    std::string Url;
    std::string Host;
    std::string API_KEY;
    bool Flag = true;
    std::int32_t Level = 2;

    static const host::FStructInfo& StaticStruct();
};

const host::FEnumInfo& LevelEnum()
{
    static const host::FEnumInfo info{
        "/Script/hosttestmodule", "ELevel", {{0, "Low", "Low"}, {1, "Mid", "Middle"}, {2, "High", "High"}}};
    return info;
}

const host::FStructInfo& FModuleSettings::StaticStruct()
{
    static const host::FStructInfo info = []
    {
        host::FStructInfo s;
        s.Package = "/Script/hosttestmodule";
        s.Name = "ModuleSettings";
        s.ConfigName = "Engine";
        auto mode = host::FPropertyInfo::Make("Mode", &FModuleSettings::Mode, host::EPropertyType::String);
        mode.Tooltip = "What the action does";
        auto url = host::FPropertyInfo::Make("Url", &FModuleSettings::Url, host::EPropertyType::String);
        auto address = host::FPropertyInfo::Make("Host", &FModuleSettings::Host, host::EPropertyType::String);
        auto key = host::FPropertyInfo::Make("API_KEY", &FModuleSettings::API_KEY, host::EPropertyType::String);
        auto flag = host::FPropertyInfo::Make("Flag", &FModuleSettings::Flag, host::EPropertyType::Bool);
        auto level = host::FPropertyInfo::Make("Level", &FModuleSettings::Level, host::EPropertyType::Enum);
        level.Enum = &LevelEnum();
        s.Properties = {mode, url, address, key, flag, level};
        for (auto& p : s.Properties)
        {
            p.Config = true;
            p.Category = "Test Setting";
        }
        s.Construct = [] { return static_cast<void*>(new FModuleSettings); };
        s.Destroy = [](void* p) { delete static_cast<FModuleSettings*>(p); };
        return s;
    }();
    return info;
}

struct FRegistrar
{
    FRegistrar()
    {
        host::RegisterStruct(FModuleSettings::StaticStruct());
        host::RegisterEnum(LevelEnum());
    }
    ~FRegistrar()
    {
        host::UnregisterStruct(FModuleSettings::StaticStruct());
        host::UnregisterEnum(LevelEnum());
    }
} Registrar;

void Say(const std::string& text)
{
    host::Log(LogHostTest, host::EVerbosity::Display, text);
}

class FTestModule final : public host::IModuleInterface
{
public:
    void StartupModule() override
    {
        auto& h = host::Get();
        Say("startup " + std::to_string(++StartCount));
        if (h.Modules().IsModuleLoaded("Settings"))
        {
            h.Settings().Register(
                {"Project", "Plugins", "HostTestSettings",
                 host::LocText("HostTest", "Name", "Host test settings"),
                 host::LocText("HostTest", "Description", "Settings of the host's test module"),
                 &FModuleSettings::StaticStruct(), host::GetMutableDefault<FModuleSettings>()});
        }
        auto style = std::make_shared<host::FStyleSet>("HostTestStyle");
        style->SetContentRoot(h.Plugins().BaseDir("HostTest").value_or("") + "Resources");
        host::FSlateImageBrush brush;
        brush.ImagePath = style->RootToContentDir("Icon16", ".png");
        brush.Width = 16;
        brush.Height = 16;
        style->Set("hosttest.Action", brush);
        h.Styles().Register(style);

        auto context = std::make_shared<host::FBindingContext>();
        context->Name = "hosttest";
        context->StyleSetName = "HostTestStyle";
        auto command = std::make_shared<host::FUICommandInfo>();
        command->ContextName = "hosttest";
        command->Name = "Action";
        command->Label = host::LocText("HostTest", "Action", "Test action");
        command->Description = host::LocText("HostTest", "ActionTip", "Runs the test action");
        command->StyleSetName = "HostTestStyle";
        command->IconBrush = "hosttest.Action";
        context->Commands.push_back(command);
        h.Bindings().Add(context);

        Commands = std::make_shared<host::FUICommandList>();
        Commands->MapAction(command, [this] { OnAction(); });
        h.Menus().RegisterStartupCallback(this,
                                          [this, command]
                                          {
                                              auto& menus = host::Get().Menus();
                                              menus.ExtendMenu("Test.MainMenu")
                                                  .FindOrAddSection("Tools")
                                                  .AddMenuEntry(command, Commands, this);
                                              menus.ExtendMenu("Test.ToolBar")
                                                  .FindOrAddSection("Plugins")
                                                  .AddToolbarButton(command, this)
                                                  .SetCommandList(Commands);
                                          });
    }

    void ShutdownModule() override
    {
        auto& h = host::Get();
        if (h.Modules().IsModuleLoaded("Settings"))
        {
            h.Settings().Unregister("Project", "Plugins", "HostTestSettings");
        }
        h.Menus().UnregisterStartupCallbacks(this);
        h.Menus().UnregisterOwner(this);
        if (auto style = h.Styles().Find("HostTestStyle"))
        {
            h.Styles().Unregister(*style);
        }
        h.Bindings().Remove("hosttest");
        Say("shutdown");
    }

private:
    void OnAction()
    {
        auto& h = host::Get();
        const auto* settings = host::GetMutableDefault<FModuleSettings>();
        Say("action " + settings->Mode);
        if (settings->Mode == "message")
        {
            h.UI().ShowMessage("hello from the test module");
            h.UI().ShowTab("OutputLog");
        }
        else if (settings->Mode == "warn")
        {
            host::Log(LogHostTest, host::EVerbosity::Warning, "something needs a look");
            h.UI().ShowTab("OutputLog");
        }
        else if (settings->Mode == "ask")
        {
            if (h.UI().AskYesNo("Proceed?"))
            {
                h.UI().ShowTab("OutputLog");
            }
            else
            {
                h.UI().ShowMessage("declined");
            }
        }
        else if (settings->Mode == "http")
        {
            host::FHttpRequest request;
            request.Url = settings->Url;
            h.Http().Send(
                request,
                [](const host::FHttpResponse& response)
                {
                    auto& main = host::Get();
                    Say("response " + std::to_string(response.StatusCode) + " " + response.Body +
                        (main.Threads().IsMainThread() ? " on main" : " off main"));
                    auto progress =
                        main.UI().OpenProgress(100, host::LocText("HostTest", "Wait", "Waiting..."));
                    main.Threads().RunInBackground(
                        []
                        {
                            auto& worker = host::Get();
                            worker.Threads().Sleep(0.05);
                            const bool onMain = worker.Threads().IsMainThread();
                            worker.Threads().PostToMainThread(
                                [onMain]
                                {
                                    Say(std::string("background ran ") + (onMain ? "on main" : "off main"));
                                    host::Get().UI().ShowTab("OutputLog");
                                });
                        });
                    progress->Advance(50);
                });
        }
        else if (settings->Mode == "translate")
        {
            // Fills the empty texts of Game/es and drops a file, as a job's apply would.
            const std::string folder = h.Paths().ProjectDir() + "Content/Localization/Game/";
            std::ifstream in(folder + "es/Game.archive", std::ios::binary);
            const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            host::FLocArchive archive;
            std::string error;
            if (host::LocFiles::ParseArchive(text, "Game.archive", archive, error))
            {
                for (auto& entry : archive.Entries)
                {
                    entry.Translation = entry.Translation.empty() ? "es:" + entry.Source : entry.Translation;
                }
                std::string out;
                host::LocFiles::ArchiveToText(archive, out, error);
                std::ofstream(folder + "es/Game.archive", std::ios::binary | std::ios::trunc) << out;
            }
            std::remove((folder + "Old.txt").c_str());
            h.UI().ShowTab("OutputLog");
        }
        else if (settings->Mode == "refuse")
        {
            // The lines a job writes for the entries it did not apply.
            for (const char* line : {"Translation answer not applied:Game/es/Game.archive [NS/C]: markup differs",
                                     "Translation answer not applied:Game/es/Game.archive [NS/Z]: not uploaded",
                                     "Translation answer not applied:Game/es/Game.archive: unreadable",
                                     "Translation answer not applied:Game/xx/Game.archive [NS/A]: no such culture"})
            {
                host::Log(LogHostTest, host::EVerbosity::Warning, line);
            }
            h.UI().ShowTab("OutputLog");
        }
        else if (settings->Mode == "hang")
        {
            h.Threads().RunInBackground(
                []
                {
                    for (;;)
                    {
                        host::Get().Threads().Sleep(0.05);
                    }
                });
        }
    }

    std::shared_ptr<host::FUICommandList> Commands;
};
} // namespace

extern "C" __attribute__((visibility("default"))) host::IModuleInterface* InitializeModule()
{
    return new FTestModule;
}
