#include "Utf.h"

#include "utf.h" // the zip engine's conversion

namespace lirno::service
{
std::u16string Utf8ToUtf16(std::string_view text)
{
    return zipengine::to_utf16(text);
}

std::string Utf16ToUtf8(std::u16string_view text)
{
    return zipengine::to_utf8(text);
}

std::size_t CountCharacters(std::string_view utf8)
{
    std::size_t count = 0;
    for (const char c : utf8)
    {
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++count;
    }
    return count;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
    {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

std::string ToLowerAscii(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
    {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}
} // namespace lirno::service
