// The per-target step configurations: where they live and what they say.
#pragma once

#include "Config.h"
#include "Localization.h"

#include <string>
#include <vector>

namespace host
{
// <configDir>Localization/<Target>_<Step>.ini, the step being GatherText, CompileText or
// WordCountReport.
std::string StepConfigPath(const std::string& configDir, const std::string& targetName,
                           ELocalizationStep step);

// The default layout: texts under Content/Localization/<Target>, manifest <Target>.manifest,
// per culture <culture>/<Target>.archive. A native culture index outside the culture list
// leaves "NativeCulture" out, so the step fails naming it instead of guessing.
FIniDocument MakeStepConfig(const FLocalizationTarget& target, const std::vector<std::string>& stringTables,
                            ELocalizationStep step);
} // namespace host
