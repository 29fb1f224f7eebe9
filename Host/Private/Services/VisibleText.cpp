#include "VisibleText.h"

#include <cstdio>

namespace host
{
namespace
{
// Length of the valid UTF-8 sequence at `at` (overlong forms and surrogates refused), 0 when
// the bytes there are not one.
std::size_t SequenceLength(std::string_view text, std::size_t at, char32_t& code)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    std::size_t length = 0;
    char32_t min = 0;
    if (lead >= 0xC2 && lead <= 0xDF)
    {
        length = 2, code = lead & 0x1F, min = 0x80;
    }
    else if (lead >= 0xE0 && lead <= 0xEF)
    {
        length = 3, code = lead & 0x0F, min = 0x800;
    }
    else if (lead >= 0xF0 && lead <= 0xF4)
    {
        length = 4, code = lead & 0x07, min = 0x10000;
    }
    if (length == 0 || at + length > text.size())
    {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i)
    {
        if ((byte(at + i) & 0xC0) != 0x80)
        {
            return 0;
        }
        code = (code << 6) | (byte(at + i) & 0x3F);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
    {
        return 0;
    }
    return length;
}

// "\xNN" for a byte, "\uNNNN" for a code point.
void AppendEscape(std::string& out, bool codePoint, unsigned value)
{
    char text[16];
    if (codePoint)
    {
        std::snprintf(text, sizeof text, "\\u%04x", value);
    }
    else
    {
        std::snprintf(text, sizeof text, "\\x%02x", value);
    }
    out += text;
}
} // namespace

std::string VisibleText(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();)
    {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\n' || (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
        {
            i += c == '\r' ? 2 : 1;
            if (i < text.size())
            {
                out += "\n  ";
            }
            continue;
        }
        if (c == '\t' || (c >= 0x20 && c < 0x7F))
        {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        if (c < 0x80)
        {
            if (c == '\r')
            {
                out += "\\r";
            }
            else
            {
                AppendEscape(out, false, c);
            }
            ++i;
            continue;
        }
        char32_t code = 0;
        const std::size_t length = SequenceLength(text, i, code);
        if (length == 0)
        {
            AppendEscape(out, false, c);
            ++i;
            continue;
        }
        // C1 controls (CSI among them) and the line and paragraph separators act like the
        // ASCII ones on some terminals and readers.
        if ((code >= 0x80 && code <= 0x9F) || code == 0x2028 || code == 0x2029)
        {
            AppendEscape(out, true, static_cast<unsigned>(code));
        }
        else
        {
            out.append(text.substr(i, length));
        }
        i += length;
    }
    return out;
}

std::size_t DisplayWidth(std::string_view text)
{
    std::size_t width = 0;
    for (const char c : text)
    {
        width += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    }
    return width;
}

std::string FitToWidth(std::string_view text, std::size_t columns)
{
    if (DisplayWidth(text) <= columns)
    {
        return std::string(text);
    }
    if (columns <= 3)
    {
        return std::string(columns, '.');
    }
    std::string out;
    std::size_t width = 0;
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        const bool starts = (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
        if (starts && width == columns - 3)
        {
            break;
        }
        width += starts ? 1 : 0;
        out += text[i];
    }
    return out + "...";
}
} // namespace host
