#include "Util/Utf.h"

namespace util
{
namespace
{
constexpr char32_t Replacement = 0xFFFD;

bool IsSurrogate(char32_t c)
{
    return c >= 0xD800 && c <= 0xDFFF;
}

bool IsContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

// One code point read from the front of `text`: what it is (U+FFFD when malformed) and how
// many bytes it takes. A sequence cut short takes its lead and the continuation bytes it has,
// so the byte that cut it starts the next one.
struct Decoded
{
    char32_t code_point;
    std::size_t length;
};

Decoded DecodeUtf8(std::string_view text)
{
    const auto lead = static_cast<unsigned char>(text[0]);
    if (lead < 0x80)
        return {lead, 1};
    std::size_t length = 0;
    char32_t smallest = 0;
    if (lead >= 0xC0 && lead < 0xE0)
        length = 2, smallest = 0x80;
    else if (lead >= 0xE0 && lead < 0xF0)
        length = 3, smallest = 0x800;
    else if (lead >= 0xF0 && lead < 0xF8)
        length = 4, smallest = 0x10000;
    else
        return {Replacement, 1}; // a stray continuation byte, or no lead at all
    char32_t c = lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k)
    {
        if (k >= text.size() || !IsContinuation(static_cast<unsigned char>(text[k])))
            return {Replacement, k};
        c = (c << 6) | (static_cast<unsigned char>(text[k]) & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not text.
    if (c < smallest || c > 0x10FFFF || IsSurrogate(c))
        return {Replacement, length};
    return {c, length};
}

void AppendUtf16(std::u16string& out, char32_t c)
{
    if (c >= 0x10000)
    {
        c -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 | (c >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 | (c & 0x3FF)));
        return;
    }
    out.push_back(static_cast<char16_t>(c));
}

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80)
    {
        out.push_back(static_cast<char>(c));
        return;
    }
    // The lead byte's marker and how many continuation bytes follow.
    const int continuations = c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
    constexpr unsigned char Markers[] = {0, 0xC0, 0xE0, 0xF0};
    out.push_back(static_cast<char>(Markers[continuations] | (c >> (6 * continuations))));
    for (int shift = 6 * (continuations - 1); shift >= 0; shift -= 6)
        out.push_back(static_cast<char>(0x80 | ((c >> shift) & 0x3F)));
}
} // namespace

std::u16string Utf8ToUtf16(std::string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    while (!text.empty())
    {
        const Decoded decoded = DecodeUtf8(text);
        AppendUtf16(out, decoded.code_point);
        text.remove_prefix(decoded.length);
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        char32_t c = text[i];
        const bool high = c >= 0xD800 && c <= 0xDBFF;
        if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        else if (IsSurrogate(c))
            c = Replacement; // a half without its partner
        AppendUtf8(out, c);
    }
    return out;
}

std::size_t CountCodePoints(std::string_view utf8)
{
    std::size_t count = 0;
    for (const char c : utf8)
        count += IsContinuation(static_cast<unsigned char>(c)) ? 0 : 1;
    return count;
}
} // namespace util
