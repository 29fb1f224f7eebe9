// Factory of the editor's localization service (targets, step configurations, step runner).
#pragma once

#include "Localization.h"
#include "Paths.h"

#include <memory>

namespace host
{
// The service reads the project's (and engine's) configuration through `paths`, which must
// outlive it. Steps run as the program "<EngineDir>bin/localization-step".
HOST_API std::unique_ptr<ILocalization> CreateLocalizationService(const IPaths& paths);
} // namespace host
