// Text helpers the service needs at its edges: the zip engine speaks UTF-16, everything else
// in the service is UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace lirno::service
{
// Invalid sequences become U+FFFD rather than failing: names only have to round-trip when
// they were valid to begin with.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

// Characters as a user counts them (code points), for quotas and progress.
std::size_t CountCharacters(std::string_view utf8);

bool EqualsIgnoreCase(std::string_view a, std::string_view b);
std::string ToLowerAscii(std::string_view text);
} // namespace lirno::service
