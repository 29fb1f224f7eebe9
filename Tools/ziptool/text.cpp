#include "text.h"

#include <cstdio>
#include <vector>

namespace ziptool
{
std::u16string widen(const std::string& text)
{
    std::u16string out;
    for (std::size_t i = 0; i < text.size();)
    {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t extra = lead < 0x80 ? 0 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : 3;
        char32_t c = extra == 0 ? lead : lead & (0x3F >> extra);
        std::size_t k = 1;
        for (; k <= extra && i + k < text.size(); ++k)
            c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        i += k;
        if (c >= 0x10000)
        {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        }
        else
        {
            out += static_cast<char16_t>(c);
        }
    }
    return out;
}

std::string narrow(const char16_t* text)
{
    std::string out;
    for (std::size_t i = 0; text[i] != u'\0'; ++i)
    {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
        {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        }
        if (c < 0x80)
        {
            out += static_cast<char>(c);
        }
        else if (c < 0x800)
        {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
        else if (c < 0x10000)
        {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
        else
        {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

namespace
{
std::string with_code(std::string message, ZipResult code)
{
    char hex[32];
    std::snprintf(hex, sizeof hex, " (0x%x)", code);
    return message + hex;
}
} // namespace

std::string describe_writer_result(ZipResult code)
{
    const std::uint32_t length = zip_format_result(code, nullptr, 0);
    std::string message(length + 1, '\0');
    zip_format_result(code, message.data(), length + 1);
    message.resize(length);
    return with_code(message, code);
}

std::string describe_reader_result(ZipResult code)
{
    const std::uint32_t length = unzip_format_result(code, nullptr, 0);
    std::vector<char16_t> message(length + 1);
    unzip_format_result(code, message.data(), length + 1);
    return with_code(narrow(message.data()), code);
}
} // namespace ziptool
