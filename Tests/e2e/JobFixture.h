// A copy of the demo project in a temporary folder, the translation service on a free loopback
// port, and the editor to run the plug-in's job there.
#pragma once

#include "Processes.h"
#include "TempFolder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace e2e
{
struct JobRun
{
    int exit_code = -1;
    std::string output; // the editor's console: log lines, "message:", "question:", "answer:"
    double seconds = 0;
};

class JobFixture : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the service with the configuration text (JSON) and extra flags; fails the test when
    // it does not report a port within a few seconds.
    void StartService(const std::string& config_json, const std::vector<std::string>& flags = {});
    void StopService(int signal);
    // Points the project's settings at the service and sets the API key.
    void Configure(const std::string& api_key);
    // Sets one key of the plug-in's settings through `editor settings`.
    void SetSetting(const std::string& key, const std::string& value);
    // Starts `editor run ... lirno.PluginAction` in the background with --yes or --no, and the
    // editor's own options (limits, time-outs); its console goes to `output` in the work folder.
    std::unique_ptr<Process> StartJob(const std::string& answer, const std::vector<std::string>& options = {},
                                      const std::string& output = "editor.out");
    JobRun RunJob(const std::string& answer, const std::vector<std::string>& options = {});

    std::string LocalizationFolder() const { return (project_ / "Content/Localization").string(); }
    std::string EditorLog() const { return ReadFile((project_ / "Saved/Logs/Editor.log").string()); }
    std::string JobOutput() const { return ReadFile((work_ / "editor.out").string()); }

    // A failed case keeps its folder for a look at the project, the log and the outputs.
    testsupport::FTempFolder folder_{"lirno-e2e", testsupport::FTempFolder::EKeep::OnFailure};
    const std::filesystem::path work_ = folder_.Path();
    const std::filesystem::path project_ = work_ / "Demo";
    std::unique_ptr<Process> service_;
    int port_ = 0;
};

// The service configuration the jobs use unless a test needs another: the offline provider,
// one generous key and one with an allowance of ten characters.
std::string PseudoConfig(const std::string& latest_plugin_version = LIRNO_VERSION);
} // namespace e2e
