// The localization step process: runs one step (gather text, compile text or the word-count
// report) for one target, as its configuration file says. Exit code 0 on success, 1 when the
// step fails (the message names the file or value at fault), 2 for a wrong command line.
#include "StepConfig.h"
#include "StepOutput.h"
#include "Steps.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <system_error>

namespace fs = std::filesystem;

namespace
{
// Relative paths of an engine target's configuration start at the engine folder: the folder
// above the one holding this program.
bool EngineDir(fs::path& dir, std::string& error)
{
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (ec)
    {
        error = "cannot locate the engine folder (" + ec.message() + ")";
        return false;
    }
    dir = self.parent_path().parent_path();
    return true;
}

// The project file must be the project's JSON descriptor; its folder is the project folder.
bool ProjectDir(const std::string& projectFile, fs::path& dir, std::string& error)
{
    std::ifstream in(projectFile, std::ios::binary);
    if (!in)
    {
        error = projectFile + ": the project file cannot be opened";
        return false;
    }
    const nlohmann::json descriptor = nlohmann::json::parse(in, nullptr, false);
    if (!descriptor.is_object() || !descriptor.contains("FileVersion"))
    {
        error = projectFile + ": not a project file (a JSON object with \"FileVersion\")";
        return false;
    }
    dir = fs::absolute(projectFile).parent_path();
    return true;
}

bool RunStep(const locstep::FStepConfig& config, std::string& error)
{
    switch (config.Step)
    {
    case locstep::EStep::GatherText:
        return locstep::RunGatherText(config, error);
    case locstep::EStep::CompileText:
        return locstep::RunCompileText(config, error);
    case locstep::EStep::WordCountReport:
        return locstep::RunWordCountReport(config, error);
    }
    return false;
}
} // namespace

int main(int argc, char** argv)
{
    CLI::App app{"Runs one localization step for one target."};
    app.set_version_flag("--version", std::string("localization-step ") + LIRNO_VERSION);
    std::string configPath;
    std::string projectFile;
    app.add_option("config", configPath, "The step's configuration file")->required();
    app.add_option("--project", projectFile,
                   "The project file; paths in the configuration are relative to its folder "
                   "(without it, to the engine folder)");
    try
    {
        app.parse(argc, argv);
    }
    catch (const CLI::ParseError& failure)
    {
        app.exit(failure); // prints help, or the fault and a hint
        return failure.get_exit_code() == 0 ? 0 : 2;
    }

    std::string error;
    fs::path baseDir;
    locstep::FStepConfig config;
    const bool ready =
        (projectFile.empty() ? EngineDir(baseDir, error) : ProjectDir(projectFile, baseDir, error)) &&
        locstep::LoadStepConfig(configPath, baseDir, config, error);
    if (ready)
    {
        locstep::Progress(std::string(locstep::StepName(config.Step)) + " for target " + config.Target +
                          " (" + configPath + ")");
    }
    if (!ready || !RunStep(config, error))
    {
        std::cout.flush();
        std::cerr << "Error: " << error << std::endl;
        return 1;
    }
    locstep::Progress(std::string(locstep::StepName(config.Step)) + " for target " + config.Target + " done");
    return 0;
}
