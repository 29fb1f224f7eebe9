// UTF-16 <-> UTF-8. Malformed input becomes U+FFFD rather than failing, as the names come
// from archives written by anyone.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zipengine
{
std::string to_utf8(std::u16string_view text);
std::u16string to_utf16(std::string_view text);

// Length of a terminated wide string, or `limit` when no terminator comes before it.
std::size_t wide_length(const char16_t* text, std::size_t limit);
} // namespace zipengine
