// One open project in the editor: the real host installed, plug-ins discovered, loaded and
// started; shut down and uninstalled when the session ends.
#pragma once

#include "EditorHost.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace editor
{
struct FSessionOptions
{
    std::string ProjectDir;
    std::vector<std::string> PluginFolders; // empty: the repository root
    bool WithSettingsModule = true;
    bool Interactive = false;
    bool DefaultAnswer = false;
    long HttpConnectTimeout = 30;
    long HttpStallTimeout = 60;
    std::uint64_t HttpMaxResponseMiB = 1024; // largest response body taken
    // Log lines go to standard error instead of standard output, which then holds only the
    // command's own listing, and not to the project's log file: only a run starts (and rotates)
    // that, so listing or setting never pushes a job's record away.
    bool LogToStandardError = false;
    // Quiet: the console shows messages, questions, the summary and errors only (the log file
    // keeps everything). Verbose: HTTP requests and step processes are logged too.
    bool Quiet = false;
    bool Verbose = false;
};

class FEditorSession
{
public:
    // Nothing (and `error` set) when the folder holds no usable project.
    static std::unique_ptr<FEditorSession> Open(const FSessionOptions& options, std::string& error);
    ~FEditorSession();

    // Discovers the plug-ins and loads and starts their modules; false when any failed.
    bool StartPlugins();
    void ShutdownPlugins();

    host::FEditorHost& Host() { return *EditorHost; }

private:
    FEditorSession(std::unique_ptr<host::FEditorHost> host, std::vector<std::string> pluginFolders);
    std::unique_ptr<host::FEditorHost> EditorHost;
    std::vector<std::string> PluginFolders;
    bool PluginsStarted = false;
};

// Where plug-ins are looked for when no --plugins folder is given.
std::string DefaultPluginFolder();
} // namespace editor
