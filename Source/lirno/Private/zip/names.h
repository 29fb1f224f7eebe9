// Item names: the method rule, cleaning names read from an archive, and the checks that keep
// extraction inside its base folder.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zipengine
{
// Names and paths hold at most this many UTF-16 units including the terminator.
inline constexpr std::size_t NameCapacity = 260;

inline bool is_separator(char16_t c)
{
    return c == u'/' || c == u'\\';
}

// Names compare without case for the ASCII letters only: no byte of a UTF-8 name and no other
// UTF-16 unit ever folds.
template <class Char> constexpr Char fold_ascii(Char c)
{
    return c >= Char('a') && c <= Char('z') ? static_cast<Char>(c - Char('a') + Char('A')) : c;
}

// 0 (stored) for names whose extension marks already-compressed data, else 8 (deflated).
std::uint16_t method_for_name(std::u16string_view name);

// Drops drive prefixes, leading separators and everything up to a "..": separator pattern.
std::u16string clean_name(std::u16string_view name);

// True when a relative path, walked one component at a time, ever rises above its start.
bool climbs_out(std::u16string_view relative);

// An absolute target on this platform: it starts with a separator.
bool is_absolute(std::u16string_view path);
} // namespace zipengine
