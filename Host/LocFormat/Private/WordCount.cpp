#include "LocFormat/WordCount.h"

#include "LocFormat/Utf8.h"

#include <cctype>

namespace locformat
{
namespace
{
bool IsSpace(char32_t c)
{
    return c == U' ' || c == U'\t' || c == U'\n' || c == U'\r' || c == U'\f' || c == U'\v' || c == 0xA0 ||
           c == 0x3000 || (c >= 0x2000 && c <= 0x200B);
}

bool IsAsciiPunctuation(char32_t c)
{
    return (c >= U'!' && c <= U'/') || (c >= U':' && c <= U'@') || (c >= U'[' && c <= U'`') ||
           (c >= U'{' && c <= U'~');
}

// General punctuation, Latin-1 signs (¡ ¿ « » × ÷ ...), CJK punctuation and full-width forms'
// punctuation.
bool IsPunctuation(char32_t c)
{
    return IsAsciiPunctuation(c) || (c >= 0x2010 && c <= 0x205E) || (c >= 0x3001 && c <= 0x3003) ||
           (c >= 0x3008 && c <= 0x3011) || c == 0x30FB || (c >= 0xFF01 && c <= 0xFF0F) || c == 0xFF1F ||
           (c >= 0xA1 && c <= 0xBF) || c == 0xD7 || c == 0xF7;
}

bool IsSelfStandingWord(char32_t c)
{
    return (c >= 0x3040 && c <= 0x30FF && c != 0x30FB) || (c >= 0x3400 && c <= 0x4DBF) ||
           (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7AF) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0x20000 && c <= 0x2FFFF);
}

// Length of a markup tag ("<b>", "</b>", "<font size=\"2\">") or placeholder ("{0}", "{Name}")
// starting at `offset`, or 0 when there is none.
std::size_t SkippableLength(std::string_view text, std::size_t offset)
{
    const char open = text[offset];
    if (open != '<' && open != '{')
    {
        return 0;
    }
    // Tags and placeholders are short; the bound keeps a text full of '<' from costing n².
    constexpr std::size_t longest = 256;
    const std::size_t found = text.substr(offset + 1, longest).find(open == '<' ? '>' : '}');
    if (found == std::string_view::npos || found == 0)
    {
        return 0;
    }
    const std::size_t end = offset + 1 + found;
    const std::string_view inner = text.substr(offset + 1, end - offset - 1);
    const bool isTag = open == '<' &&
                       (inner[0] == '/' || std::isalpha(static_cast<unsigned char>(inner[0])) != 0) &&
                       inner.find_first_of("<\r\n") == std::string_view::npos;
    const bool isPlaceholder = open == '{' && inner.find_first_of("{ \t\r\n") == std::string_view::npos;
    return isTag || isPlaceholder ? end - offset + 1 : 0;
}
} // namespace

std::size_t CountWords(std::string_view text)
{
    std::size_t words = 0;
    bool inWord = false;
    bool wordHasContent = false;
    const auto endWord = [&]
    {
        if (inWord && wordHasContent)
        {
            ++words;
        }
        inWord = false;
        wordHasContent = false;
    };
    std::size_t offset = 0;
    while (offset < text.size())
    {
        if (const std::size_t skip = SkippableLength(text, offset); skip > 0)
        {
            endWord();
            offset += skip;
            continue;
        }
        const char32_t c = DecodeUtf8(text, offset);
        if (IsSpace(c))
        {
            endWord();
        }
        else if (IsSelfStandingWord(c))
        {
            endWord();
            ++words;
        }
        else
        {
            inWord = true;
            wordHasContent = wordHasContent || !IsPunctuation(c);
        }
    }
    endWord();
    return words;
}
} // namespace locformat
