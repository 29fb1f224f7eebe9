// One step's configuration, read from the ini file the editor generated for a target and checked
// before the step touches any file.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace locstep
{
enum class EStep
{
    GatherText,
    CompileText,
    WordCountReport,
};

struct FStepConfig
{
    std::string Path; // the configuration file, for messages
    EStep Step = EStep::GatherText;
    std::string Target;
    std::filesystem::path BaseDir;        // project (or engine) folder that relative paths start from
    std::filesystem::path SourceDir;      // where the manifest and archives are read
    std::filesystem::path DestinationDir; // where the step's results are written
    std::string ManifestName;
    std::string ArchiveName;
    std::string NativeCulture;
    std::vector<std::string> Cultures;
    std::vector<std::filesystem::path> StringTables; // gather: folders or files
    std::string ResourceName;                        // compile
    std::string ReportName;                          // report

    std::filesystem::path ManifestPath(const std::filesystem::path& dir) const { return dir / ManifestName; }
    std::filesystem::path ArchivePath(const std::filesystem::path& dir, const std::string& culture) const
    {
        return dir / culture / ArchiveName;
    }
};

// False, with a message naming the file and the key or value at fault.
bool LoadStepConfig(const std::string& path, const std::filesystem::path& baseDir, FStepConfig& config,
                    std::string& error);

const char* StepName(EStep step);
} // namespace locstep
