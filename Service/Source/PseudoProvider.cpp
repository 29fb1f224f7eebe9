#include "PseudoProvider.h"

#include "ProtectedText.h"

namespace lirno::service
{
namespace
{
// One accented look-alike per ASCII letter, as UTF-8.
constexpr const char* Lower[26] = {"á", "ƀ", "ç", "ď", "é", "ƒ", "ĝ", "ĥ", "í", "ĵ", "ķ", "ļ", "ɱ",
                                   "ñ", "ö", "þ", "ǫ", "ŕ", "š", "ţ", "ü", "ṽ", "ŵ", "ẋ", "ý", "ž"};
constexpr const char* Upper[26] = {"Á", "Ɓ", "Ç", "Ď", "É", "Ƒ", "Ĝ", "Ĥ", "Í", "Ĵ", "Ķ", "Ļ", "Ṁ",
                                   "Ñ", "Ö", "Þ", "Ǫ", "Ŕ", "Š", "Ţ", "Û", "Ṽ", "Ŵ", "Ẋ", "Ý", "Ž"};

bool IsVowel(char c)
{
    switch (c)
    {
    case 'a':
    case 'e':
    case 'i':
    case 'o':
    case 'u':
    case 'A':
    case 'E':
    case 'I':
    case 'O':
    case 'U':
        return true;
    default:
        return false;
    }
}

void AppendLiteral(std::string& out, std::string_view literal)
{
    for (const char c : literal)
    {
        if (c >= 'a' && c <= 'z')
        {
            out += Lower[c - 'a'];
            if (IsVowel(c))
                out += Lower[c - 'a'];
        }
        else if (c >= 'A' && c <= 'Z')
        {
            out += Upper[c - 'A'];
            // Doubling in lower case keeps capitalised words looking like words.
            if (IsVowel(c))
                out += Lower[c - 'A'];
        }
        else
            out += c;
    }
}
} // namespace

std::string PseudoLocalize(std::string_view text)
{
    if (text.empty())
        return {};
    std::string out = "[";
    for (const TextSegment& segment : SplitProtected(text))
    {
        if (segment.is_protected)
            out += segment.text;
        else
            AppendLiteral(out, segment.text);
    }
    out += "]";
    return out;
}

std::vector<std::optional<std::string>> PseudoProvider::Translate(const LanguagePair&,
                                                                  const std::vector<std::string>& texts)
{
    std::vector<std::optional<std::string>> out;
    out.reserve(texts.size());
    for (const std::string& text : texts)
        out.emplace_back(PseudoLocalize(text));
    return out;
}
} // namespace lirno::service
