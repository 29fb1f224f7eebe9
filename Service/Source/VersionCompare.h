#pragma once

#include <string_view>

namespace lirno::service
{
// Compares dotted version numbers part by part ("1.10" is newer than "1.9"); missing parts
// count as 0 and a part that is not a number compares as 0.
int CompareVersions(std::string_view a, std::string_view b);
} // namespace lirno::service
