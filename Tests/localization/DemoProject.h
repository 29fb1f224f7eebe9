// A temporary copy of Samples/Demo (removed afterwards) and the editor paths that go with it;
// the engine folder is the build folder that holds bin/localization-step.
#pragma once

#include "Localization.h"
#include "Paths.h"
#include "TempFolder.h"

#include <filesystem>
#include <string>

namespace loctest
{
class FDemoPaths final : public host::IPaths
{
public:
    FDemoPaths(std::filesystem::path projectDir, std::filesystem::path engineConfigDir);
    std::string ProjectDir() const override;
    std::string ProjectConfigDir() const override;
    std::string ProjectSavedDir() const override;
    std::string EngineDir() const override;
    std::string EngineConfigDir() const override;
    std::string ProjectFilePath() const override;

private:
    std::filesystem::path Project;
    std::filesystem::path EngineConfig;
};

// The copy lives in <temp>/Demo; an engine configuration folder (empty at first) in <temp>/EngineConfig.
class FDemoProject
{
public:
    FDemoProject();
    std::filesystem::path Dir() const { return Root.Path() / "Demo"; }
    std::filesystem::path EngineConfigDir() const { return Root.Path() / "EngineConfig"; }
    const FDemoPaths& Paths() const { return DemoPaths; }

    std::string Read(const std::string& relative) const;
    void Write(const std::string& relative, const std::string& text) const;

private:
    testsupport::FTempFolder Root{"loctest"};
    FDemoPaths DemoPaths;
};

std::string EngineDirOfBuild();

struct FStepRun
{
    int ExitCode = -1;
    std::string Output;
};

// Reads the process's output until it has ended and its output is drained, as the plug-in does.
FStepRun RunToEnd(host::ILocalizationProcess& process);
} // namespace loctest
