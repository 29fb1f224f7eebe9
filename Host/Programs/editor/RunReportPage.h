// The run report as one self-contained HTML page (no scripts, no external resources), for
// people reviewing machine output before they commit it.
#pragma once

#include "LocalizationChanges.h"

#include <nlohmann/json.hpp>

#include <string>

namespace editor
{
std::string RunReportPage(const nlohmann::ordered_json& report, const FLocalizationChanges& changes);
} // namespace editor
