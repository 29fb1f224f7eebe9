// UTF-8 <-> UTF-16. Malformed input becomes U+FFFD rather than failing: text only has to
// round-trip when it was valid to begin with.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace util
{
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

// Characters as a user counts them (code points), for quotas and progress.
std::size_t CountCodePoints(std::string_view utf8);
} // namespace util
