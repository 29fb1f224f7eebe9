// Record conversions used inside the host without the LogJson warnings of the public converter.
#pragma once

#include "Reflection.h"

#include <nlohmann/json.hpp>

#include <string>
#include <string_view>

namespace host
{
nlohmann::ordered_json RecordToJsonValue(const FStructInfo& type, const void* record);
// Compact one-line form, for values inside ini lines.
std::string WriteJsonCompact(const FStructInfo& type, const void* record);
bool ReadJsonQuiet(std::string_view json, const FStructInfo& type, void* record);
} // namespace host
