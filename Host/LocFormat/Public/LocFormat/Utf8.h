// UTF-8 checks and decoding, shared by the text files, string tables and word counts.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace locformat
{
// Byte offset of the first invalid sequence (overlong forms and surrogates included), or nothing.
std::optional<std::size_t> FindInvalidUtf8(std::string_view text);

// Decodes the code point at `offset` and advances it; invalid bytes decode as U+FFFD, one byte each.
char32_t DecodeUtf8(std::string_view text, std::size_t& offset);
} // namespace locformat
