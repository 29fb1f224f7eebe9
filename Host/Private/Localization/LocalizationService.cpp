#include "LocalizationService.h"

#include "AsciiCase.h"
#include "LocalizationConfigKeys.h"
#include "LocalizationProcess.h"
#include "LocalizationSettings.h"
#include "Log.h"
#include "StepConfigs.h"

#include <mutex>

namespace host
{
namespace
{
// One DefaultEditor.ini's target set. It is parsed again only when the file's text changed, so
// that callers get the same target objects back and can compare them by identity.
class FTargetSetCache
{
public:
    std::vector<FTargetSettings> Get(const std::string& path)
    {
        std::string text;
        if (!File::ReadAllText(path, text))
        {
            text.clear(); // no settings file: no targets
        }
        std::lock_guard lock(Mutex);
        if (!Loaded || text != Text)
        {
            Targets = ParseTargetSettings(text, path);
            Text = std::move(text);
            Loaded = true;
        }
        return Targets;
    }

private:
    std::mutex Mutex;
    bool Loaded = false;
    std::string Text;
    std::vector<FTargetSettings> Targets;
};

const FTargetSettings* FindTarget(const std::vector<FTargetSettings>& set, const FLocalizationTarget& target,
                                  bool byIdentity)
{
    for (const FTargetSettings& settings : set)
    {
        if (byIdentity ? settings.Target.get() == &target
                       : EqualsIgnoreCase(settings.Target->Name, target.Name))
        {
            return &settings;
        }
    }
    return nullptr;
}

std::vector<FLocalizationTargetRef> TargetsOf(const std::vector<FTargetSettings>& set)
{
    std::vector<FLocalizationTargetRef> targets;
    for (const FTargetSettings& settings : set)
    {
        targets.push_back(settings.Target);
    }
    return targets;
}

class FLocalizationService final : public ILocalization
{
public:
    explicit FLocalizationService(const IPaths& paths) : Paths(paths) {}

    std::vector<FLocalizationTargetRef> GameTargets() override { return TargetsOf(GameSet()); }
    std::vector<FLocalizationTargetRef> EngineTargets() override { return TargetsOf(EngineSet()); }

    bool IsEngineTarget(const FLocalizationTarget& target) override
    {
        const auto engine = EngineSet();
        const auto game = GameSet();
        if (FindTarget(engine, target, true))
        {
            return true;
        }
        if (FindTarget(game, target, true))
        {
            return false;
        }
        // A copy made by the caller: known by name, the project's own targets winning.
        return FindTarget(engine, target, false) && !FindTarget(game, target, false);
    }

    std::string ConfigPath(const FLocalizationTarget& target, ELocalizationStep step) override
    {
        const std::string dir = IsEngineTarget(target) ? Paths.EngineConfigDir() : Paths.ProjectConfigDir();
        return StepConfigPath(dir, target.Name, step);
    }

    FIniDocument GenerateConfig(const FLocalizationTarget& target, ELocalizationStep step) override
    {
        const bool engine = IsEngineTarget(target);
        const auto set = engine ? EngineSet() : GameSet();
        const FTargetSettings* settings = FindTarget(set, target, false);
        std::vector<std::string> tables = settings ? settings->StringTables : std::vector<std::string>{};
        if (tables.empty())
        {
            tables.push_back(DefaultStringTables(target.Name));
        }
        return MakeStepConfig(target, tables, step);
    }

    bool WriteConfig(const FIniDocument& config, const std::string& path) override
    {
        if (config.Save(path))
        {
            return true;
        }
        Log(LogGeneral, EVerbosity::Error, "Cannot write the localization configuration " + path);
        return false;
    }

    std::unique_ptr<ILocalizationProcess> StartStep(const std::string& configPath,
                                                    bool useProjectFile) override
    {
        std::vector<std::string> arguments{configPath};
        if (useProjectFile)
        {
            arguments.push_back("--project");
            arguments.push_back(Paths.ProjectFilePath());
        }
        const std::string program = Paths.EngineDir() + "bin/localization-step";
        auto process = StartLocalizationProcess(program, arguments);
        if (!process)
        {
            Log(LogGeneral, EVerbosity::Warning, "Cannot start " + program + " for " + configPath);
        }
        return process;
    }

private:
    std::vector<FTargetSettings> GameSet()
    {
        return GameCache.Get(Paths.ProjectConfigDir() + locconfig::SettingsFileName);
    }
    std::vector<FTargetSettings> EngineSet()
    {
        return EngineCache.Get(Paths.EngineConfigDir() + locconfig::SettingsFileName);
    }

    const IPaths& Paths;
    FTargetSetCache GameCache;
    FTargetSetCache EngineCache;
};
} // namespace

std::unique_ptr<ILocalization> CreateLocalizationService(const IPaths& paths)
{
    return std::make_unique<FLocalizationService>(paths);
}
} // namespace host
