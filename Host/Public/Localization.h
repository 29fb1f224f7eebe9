// The project's localization settings, per-target step configurations and the step runner,
// which runs a step as a separate process.
#pragma once

#include "Config.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace host
{
// A target exactly as configured, even when invalid: callers check the native culture index.
struct FLocalizationTarget
{
    std::string Name;
    std::int32_t NativeCultureIndex = -1;
    std::vector<std::string> SupportedCultures;
};

using FLocalizationTargetRef = std::shared_ptr<const FLocalizationTarget>;

enum class ELocalizationStep
{
    GatherText,
    CompileText,     // for all cultures
    WordCountReport,
};

// A step process; releasing it (destruction) detaches from the process.
class ILocalizationProcess
{
public:
    virtual ~ILocalizationProcess() = default;
    // Output written since the last read; empty when there is nothing new.
    virtual std::string ReadNewOutput() = 0;
    virtual bool IsRunning() = 0;
    // The exit code once the process has ended and its code can be had.
    virtual std::optional<int> ExitCode() = 0;
};

// Safe to call from any thread: target lists are snapshots.
class ILocalization
{
public:
    virtual ~ILocalization() = default;
    virtual std::vector<FLocalizationTargetRef> GameTargets() = 0;
    virtual std::vector<FLocalizationTargetRef> EngineTargets() = 0;
    virtual bool IsEngineTarget(const FLocalizationTarget& target) = 0;

    // Config/Localization/<Target>_<Step>.ini below the project (or engine) folder.
    virtual std::string ConfigPath(const FLocalizationTarget& target, ELocalizationStep step) = 0;
    virtual FIniDocument GenerateConfig(const FLocalizationTarget& target, ELocalizationStep step) = 0;
    virtual bool WriteConfig(const FIniDocument& config, const std::string& path) = 0;

    // Starts the step process; nothing when it cannot be started.
    virtual std::unique_ptr<ILocalizationProcess> StartStep(const std::string& configPath, bool useProjectFile) = 0;
};
} // namespace host
