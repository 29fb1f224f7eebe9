// The zip engine takes UTF-16 paths and names; the host's paths are UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace lirno
{
std::u16string ToWide(std::string_view utf8);
std::string FromWide(std::u16string_view utf16);
} // namespace lirno
