// The real host: every editor service, owned together and reached through host::Get() once
// installed.
#pragma once

#include "Console.h"
#include "CurlHttpClient.h"
#include "EditorLogSink.h"
#include "EventLoop.h"
#include "Host.h"
#include "HostApi.h"
#include "ModuleManager.h"
#include "ProjectPaths.h"
#include "TerminalUI.h"

#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace host
{
struct FEditorHostOptions
{
    FProjectDescriptor Project;
    std::string EngineDir;
    FConsole* Console = nullptr; // standard output when not given
    bool LogToFile = true;       // <Project>/Saved/Logs/Editor.log
    FTerminalUIOptions UI;
    FHttpOptions Http;
    bool WithSettingsModule = true;
};

class HOST_API FEditorHost final : public IHost
{
public:
    explicit FEditorHost(FEditorHostOptions options);
    ~FEditorHost() override;

    ILogSink& LogSink() override { return *Sink; }
    IUserInterface& UI() override { return *TerminalUI; }
    IThreads& Threads() override { return *Loop; }
    IHttpClient& Http() override { return *HttpClient; }
    IConfig& Config() override { return *ConfigObjects; }
    IPaths& Paths() override { return *ProjectPaths; }
    ILocalization& Localization() override { return *LocalizationService; }
    IModules& Modules() override { return *ModuleLoader; }
    FSettingsRegistry& Settings() override { return SettingsRegistry; }
    FBindingRegistry& Bindings() override { return BindingRegistry; }
    FStyleRegistry& Styles() override { return StyleRegistry; }
    FPluginRegistry& Plugins() override { return PluginRegistry; }
    FMenuSystem& Menus() override { return MenuSystem; }

    FEventLoop& EventLoop() { return *Loop; }
    FTerminalUI& Terminal() { return *TerminalUI; }
    FModuleManager& ModuleManager() { return *ModuleLoader; }
    FConfigService& ConfigService() { return *ConfigObjects; }
    const std::string& LogFilePath() const { return Sink->LogFilePath(); }
    FEditorLogSink& EditorLog() { return *Sink; }

    // Asks the localization steps still running to end; safe from any thread, with or without
    // a host, for an editor that is being interrupted.
    static void StopStepProcesses();
    // The localization steps ended so far: configuration file, exit code, seconds.
    static std::vector<std::tuple<std::string, int, double>> FinishedSteps();

private:
    // Declaration order is construction order (the constructor makes each service in its member
    // initializer, from those declared before it); destruction runs the other way, so the
    // services that others use outlive them, and the module manager, whose modules use all of
    // them, goes first.
    std::unique_ptr<FProjectPaths> ProjectPaths;
    std::unique_ptr<FEditorLogSink> Sink;
    std::unique_ptr<FEventLoop> Loop;
    std::unique_ptr<FCurlHttpClient> HttpClient;
    std::unique_ptr<FTerminalUI> TerminalUI;
    std::unique_ptr<FConfigService> ConfigObjects;
    std::unique_ptr<ILocalization> LocalizationService;
    FSettingsRegistry SettingsRegistry;
    FBindingRegistry BindingRegistry;
    FStyleRegistry StyleRegistry;
    FPluginRegistry PluginRegistry;
    FMenuSystem MenuSystem;
    std::unique_ptr<FModuleManager> ModuleLoader;
};
} // namespace host
