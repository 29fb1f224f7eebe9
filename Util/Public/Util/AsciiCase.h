// Case folding of the ASCII letters only. What is compared this way (names, keys, verbs,
// cultures, answers) is ASCII; a byte of a UTF-8 sequence must never fold, whatever the locale.
#pragma once

#include <string>
#include <string_view>

namespace util
{
constexpr char ToLowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string ToLowerAscii(std::string_view text);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix);
} // namespace util
