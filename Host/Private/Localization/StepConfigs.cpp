#include "StepConfigs.h"

#include "LocalizationConfigKeys.h"

namespace host
{
namespace
{
const char* StepName(ELocalizationStep step)
{
    switch (step)
    {
    case ELocalizationStep::GatherText:
        return locconfig::GatherTextStepName;
    case ELocalizationStep::CompileText:
        return locconfig::CompileTextStepName;
    case ELocalizationStep::WordCountReport:
        return locconfig::WordCountReportStepName;
    }
    return "Unknown";
}
} // namespace

std::string StepConfigPath(const std::string& configDir, const std::string& targetName,
                           ELocalizationStep step)
{
    return configDir + "Localization/" + targetName + "_" + StepName(step) + ".ini";
}

FIniDocument MakeStepConfig(const FLocalizationTarget& target, const std::vector<std::string>& stringTables,
                            ELocalizationStep step)
{
    using namespace locconfig;
    const std::string& name = target.Name;
    const std::string folder = std::string(LocalizationFolder) + "/" + name;
    FIniDocument config;
    config.Set(CommonSection, TargetKey, name);
    config.Set(CommonSection, SourcePathKey, folder);
    config.Set(CommonSection, DestinationPathKey, folder);
    config.Set(CommonSection, ManifestNameKey, name + ".manifest");
    config.Set(CommonSection, ArchiveNameKey, name + ".archive");
    const auto& cultures = target.SupportedCultures;
    if (target.NativeCultureIndex >= 0 &&
        static_cast<std::size_t>(target.NativeCultureIndex) < cultures.size())
    {
        config.Set(CommonSection, NativeCultureKey,
                   cultures[static_cast<std::size_t>(target.NativeCultureIndex)]);
    }
    for (const std::string& culture : cultures)
    {
        config.Add(CommonSection, CultureKey, culture);
    }
    config.Set(StepSection, StepNameKey, StepName(step));
    switch (step)
    {
    case ELocalizationStep::GatherText:
        for (const std::string& tables : stringTables)
        {
            config.Add(StepSection, StringTablesKey, tables);
        }
        break;
    case ELocalizationStep::CompileText:
        config.Set(StepSection, ResourceNameKey, name + ".resource");
        break;
    case ELocalizationStep::WordCountReport:
        config.Set(StepSection, ReportNameKey, name + ".csv");
        break;
    }
    return config;
}
} // namespace host
