#include "EditorHost.h"

#include "Localization/LocalizationProcess.h"
#include "Localization/LocalizationService.h"

namespace host
{
FEditorHost::FEditorHost(FEditorHostOptions options)
{
    FConsole& console = options.Console ? *options.Console : FConsole::Standard();
    ProjectPaths = std::make_unique<FProjectPaths>(options.Project, options.EngineDir);
    Sink = std::make_unique<FEditorLogSink>(
        console, options.LogToFile ? ProjectPaths->ProjectSavedDir() + "Logs/Editor.log" : std::string());
    Loop = std::make_unique<FEventLoop>();
    HttpClient = std::make_unique<FCurlHttpClient>(*Loop, options.Http);
    options.UI.LogFilePath = Sink->LogFilePath();
    TerminalUI_ = std::make_unique<FTerminalUI>(console, std::move(options.UI));
    ConfigObjects = std::make_unique<FConfigService>(*ProjectPaths);
    LocalizationService = CreateLocalizationService(*ProjectPaths);
    ModuleLoader =
        std::make_unique<FModuleManager>(PluginRegistry, *ConfigObjects, ProjectPaths->EngineDir());
    if (options.WithSettingsModule)
    {
        ModuleLoader->AddHostModule("Settings");
    }
    ModuleLoader->AddHostModule("Localization");
    ModuleLoader->AddHostModule("HTTP");
    ModuleLoader->AddHostModule("Json");
}

void FEditorHost::StopStepProcesses()
{
    StopLocalizationProcesses();
}

std::vector<std::tuple<std::string, int, double>> FEditorHost::FinishedSteps()
{
    std::vector<std::tuple<std::string, int, double>> steps;
    for (const FStepRecord& step : FinishedLocalizationSteps())
    {
        steps.emplace_back(step.Config, step.ExitCode, step.Seconds);
    }
    return steps;
}

FEditorHost::~FEditorHost()
{
    if (IsInstalled() && &Get() == this)
    {
        Install(nullptr);
    }
}
} // namespace host
