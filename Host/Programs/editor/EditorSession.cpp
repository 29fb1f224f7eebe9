#include "EditorSession.h"

namespace editor
{
std::string DefaultPluginFolder()
{
    return LIRNO_REPO_ROOT;
}

FEditorSession::FEditorSession(std::unique_ptr<host::FEditorHost> host,
                               std::vector<std::string> pluginFolders)
    : EditorHost(std::move(host)), PluginFolders(std::move(pluginFolders))
{
    if (PluginFolders.empty())
    {
        PluginFolders.push_back(DefaultPluginFolder());
    }
    host::Install(EditorHost.get());
}

std::unique_ptr<FEditorSession> FEditorSession::Open(const FSessionOptions& options, std::string& error)
{
    auto project = host::LoadProject(options.ProjectDir, error);
    if (!project)
    {
        return nullptr;
    }
    host::FEditorHostOptions hostOptions;
    hostOptions.Project = *project;
    hostOptions.EngineDir = host::EngineDirOfRunningProgram();
    hostOptions.UI.Interactive = options.Interactive;
    hostOptions.UI.DefaultAnswer = options.DefaultAnswer;
    hostOptions.UI.Quiet = options.Quiet;
    if (options.Verbose)
    {
        host::RaiseLogVerbosity(host::EVerbosity::Verbose);
    }
    hostOptions.Http.ConnectTimeoutSeconds = options.HttpConnectTimeout;
    hostOptions.Http.StallTimeoutSeconds = options.HttpStallTimeout;
    hostOptions.Http.MaxResponseBytes = options.HttpMaxResponseMiB << 20;
    hostOptions.WithSettingsModule = options.WithSettingsModule;
    if (options.LogToStandardError)
    {
        static host::FConsole errorConsole(stderr, false);
        hostOptions.Console = &errorConsole;
        hostOptions.LogToFile = false;
    }
    auto session = std::unique_ptr<FEditorSession>(
        new FEditorSession(std::make_unique<host::FEditorHost>(hostOptions), options.PluginFolders));
    auto& h = session->Host();
    if (options.Quiet)
    {
        h.EditorLog().SetConsoleVerbosity(host::EVerbosity::Error);
    }
    host::Log(host::LogGeneral, host::EVerbosity::Log,
              "Project " + project->Name + " (" + h.Paths().ProjectFilePath() + "), engine " +
                  h.Paths().EngineDir());
    return session;
}

FEditorSession::~FEditorSession()
{
    ShutdownPlugins();
    host::Install(nullptr);
}

bool FEditorSession::StartPlugins()
{
    auto& modules = EditorHost->ModuleManager();
    modules.Discover(PluginFolders, EditorHost->Paths().ProjectDir() + "Plugins");
    PluginsStarted = true;
    return modules.LoadAll();
}

void FEditorSession::ShutdownPlugins()
{
    if (PluginsStarted)
    {
        EditorHost->ModuleManager().ShutdownAll();
        PluginsStarted = false;
    }
}
} // namespace editor
