// Record conversions for a property's text form (PropertyText.cpp): compact, and read without
// the LogJson warnings of the public converter.
#pragma once

#include "Reflection.h"

#include <string>
#include <string_view>

namespace host
{
// Compact one-line form, for values inside ini lines.
std::string WriteJsonCompact(const FStructInfo& type, const void* record);
bool ReadJsonQuiet(std::string_view json, const FStructInfo& type, void* record);
} // namespace host
