// The project the editor has open and where the editor itself is installed.
#pragma once

#include "HostApi.h"
#include "Paths.h"

#include <optional>
#include <string>

namespace host
{
// "<Name>.project" at the project folder's root: {"FileVersion": 1, "Name": ..., "Description": ...}
struct FProjectDescriptor
{
    std::string Name;
    std::string Description;
    int FileVersion = 0;
    std::string FilePath; // absolute
};

// The folder's single project file (or the given "<Name>.project"); nothing, with `error` naming
// what is wrong, when there is none.
HOST_API std::optional<FProjectDescriptor> LoadProject(const std::string& projectDir, std::string& error);

class HOST_API FProjectPaths final : public IPaths
{
public:
    FProjectPaths(const FProjectDescriptor& project, const std::string& engineDir);

    std::string ProjectDir() const override { return Project; }
    std::string ProjectConfigDir() const override { return Project + "Config/"; }
    std::string ProjectSavedDir() const override { return Project + "Saved/"; }
    std::string EngineDir() const override { return Engine; }
    std::string EngineConfigDir() const override { return Engine + "Config/"; }
    std::string ProjectFilePath() const override { return ProjectFile; }

private:
    std::string Project;
    std::string Engine;
    std::string ProjectFile;
};

// An absolute folder path ending in "/".
HOST_API std::string AsFolder(const std::string& path);
// The parent of the folder holding the running program: build/<preset>/ for build/<preset>/bin/editor.
HOST_API std::string EngineDirOfRunningProgram();
} // namespace host
