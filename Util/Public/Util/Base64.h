// RFC 4648 base64: the standard alphabet, "=" padding, no line breaks. Decoding is strict: a
// character outside the alphabet (white space too), a partial quantum or padding anywhere but
// at the very end fails.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace util
{
std::string Base64Encode(std::span<const std::uint8_t> bytes);
std::string Base64Encode(std::string_view bytes);

// The most bytes `characters` characters of base64 decode to.
constexpr std::size_t Base64DecodedCapacity(std::size_t characters)
{
    return characters / 4 * 3;
}

// Decodes `text` into `out`, which has room for Base64DecodedCapacity(text.size()) bytes and may
// be the text's own storage: each quantum is read whole before its bytes are written, and the
// bytes never get ahead of the characters. `written` counts the bytes of the valid prefix;
// false when the text is not entirely base64.
bool Base64DecodeTo(std::string_view text, std::uint8_t* out, std::size_t& written);

// Nothing when the text is not base64.
std::optional<std::string> Base64Decode(std::string_view text);

// Decodes in place, so a large text needs no second buffer. On false the bytes of the valid
// prefix are left.
bool Base64DecodeInPlace(std::string& text);
} // namespace util
