#include "LocFormat/Utf8.h"

namespace locformat
{
namespace
{
// Length of a well-formed sequence starting at `offset` and its value; 0 when malformed.
std::size_t DecodeSequence(std::string_view text, std::size_t offset, char32_t& value)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[offset + i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    char32_t minimum = 0;
    if (lead < 0x80)
    {
        value = lead;
        return 1;
    }
    if ((lead & 0xE0) == 0xC0)
    {
        length = 2;
        value = lead & 0x1F;
        minimum = 0x80;
    }
    else if ((lead & 0xF0) == 0xE0)
    {
        length = 3;
        value = lead & 0x0F;
        minimum = 0x800;
    }
    else if ((lead & 0xF8) == 0xF0)
    {
        length = 4;
        value = lead & 0x07;
        minimum = 0x10000;
    }
    else
    {
        return 0;
    }
    if (offset + length > text.size())
    {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i)
    {
        if ((byte(i) & 0xC0) != 0x80)
        {
            return 0;
        }
        value = (value << 6) | (byte(i) & 0x3F);
    }
    const bool surrogate = value >= 0xD800 && value <= 0xDFFF;
    if (value < minimum || value > 0x10FFFF || surrogate)
    {
        return 0;
    }
    return length;
}
} // namespace

std::optional<std::size_t> FindInvalidUtf8(std::string_view text)
{
    std::size_t offset = 0;
    while (offset < text.size())
    {
        char32_t value = 0;
        const std::size_t length = DecodeSequence(text, offset, value);
        if (length == 0)
        {
            return offset;
        }
        offset += length;
    }
    return std::nullopt;
}

char32_t DecodeUtf8(std::string_view text, std::size_t& offset)
{
    char32_t value = 0;
    const std::size_t length = DecodeSequence(text, offset, value);
    if (length == 0)
    {
        ++offset;
        return U'\uFFFD';
    }
    offset += length;
    return value;
}
} // namespace locformat
