#include "DemoProject.h"

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;

namespace loctest
{
FDemoPaths::FDemoPaths(fs::path projectDir, fs::path engineConfigDir)
    : Project(std::move(projectDir)), EngineConfig(std::move(engineConfigDir))
{
}

std::string FDemoPaths::ProjectDir() const
{
    return Project.string() + "/";
}
std::string FDemoPaths::ProjectConfigDir() const
{
    return ProjectDir() + "Config/";
}
std::string FDemoPaths::ProjectSavedDir() const
{
    return ProjectDir() + "Saved/";
}
std::string FDemoPaths::EngineDir() const
{
    return EngineDirOfBuild();
}
std::string FDemoPaths::EngineConfigDir() const
{
    return EngineConfig.string() + "/";
}
std::string FDemoPaths::ProjectFilePath() const
{
    return ProjectDir() + "Demo.project";
}

std::string EngineDirOfBuild()
{
    return fs::path(LOCALIZATION_STEP_PATH).parent_path().parent_path().string() + "/";
}

FDemoProject::FDemoProject() : DemoPaths(Root.Path() / "Demo", Root.Path() / "EngineConfig")
{
    fs::copy(DEMO_PROJECT_DIR, Dir(), fs::copy_options::recursive);
    fs::create_directories(EngineConfigDir());
}

std::string FDemoProject::Read(const std::string& relative) const
{
    std::ifstream in(Dir() / relative, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void FDemoProject::Write(const std::string& relative, const std::string& text) const
{
    fs::create_directories((Dir() / relative).parent_path());
    std::ofstream(Dir() / relative, std::ios::binary | std::ios::trunc) << text;
}

FStepRun RunToEnd(host::ILocalizationProcess& process)
{
    FStepRun run;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline)
    {
        // Checking before reading: once the process has ended, an empty read means the output
        // is complete, not merely that nothing has arrived yet.
        const bool running = process.IsRunning();
        const std::string text = process.ReadNewOutput();
        run.Output += text;
        if (!running && text.empty())
        {
            break;
        }
        if (text.empty())
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    run.ExitCode = process.ExitCode().value_or(-1);
    return run;
}
} // namespace loctest
