// Lists of names in messages stay readable whatever a service sends: at most a score of names,
// then how many more there are.
#pragma once

#include <string>
#include <vector>

namespace lirno
{
inline constexpr std::size_t MaxListedNames = 20;

// "a, b, c" or "a, b, ... t and 7 more".
std::string ListNames(const std::vector<std::string>& names);
} // namespace lirno
