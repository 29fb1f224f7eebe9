#include "EditorHost.h"

#include "Localization/LocalizationProcess.h"
#include "Localization/LocalizationService.h"

namespace host
{
namespace
{
FConsole& ConsoleOf(const FEditorHostOptions& options)
{
    return options.Console ? *options.Console : FConsole::Standard();
}

FTerminalUIOptions WithLogFile(FTerminalUIOptions ui, const std::string& logFilePath)
{
    ui.LogFilePath = logFilePath;
    return ui;
}
} // namespace

FEditorHost::FEditorHost(FEditorHostOptions options)
    : ProjectPaths(std::make_unique<FProjectPaths>(options.Project, options.EngineDir)),
      Sink(std::make_unique<FEditorLogSink>(
          ConsoleOf(options),
          options.LogToFile ? ProjectPaths->ProjectSavedDir() + "Logs/Editor.log" : std::string())),
      Loop(std::make_unique<FEventLoop>()),
      HttpClient(std::make_unique<FCurlHttpClient>(*Loop, options.Http)),
      TerminalUI(std::make_unique<FTerminalUI>(ConsoleOf(options),
                                               WithLogFile(std::move(options.UI), Sink->LogFilePath()))),
      ConfigObjects(std::make_unique<FConfigService>(*ProjectPaths)),
      LocalizationService(CreateLocalizationService(*ProjectPaths)),
      ModuleLoader(
          std::make_unique<FModuleManager>(PluginRegistry, *ConfigObjects, ProjectPaths->EngineDir()))
{
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
