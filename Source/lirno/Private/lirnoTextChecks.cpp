#include "lirnoTextChecks.h"

#include <cstddef>
#include <unordered_map>
#include <vector>

namespace lirno
{
namespace
{
// A log line stays readable whatever a hostile or broken text holds.
constexpr std::size_t MaxDescriptionLength = 200;
constexpr std::size_t MaxShownMarkerLength = 40;

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsIdentifierChar(char c)
{
    return IsLetter(c) || IsDigit(c) || c == '_';
}

bool IsOneOf(char c, std::string_view set)
{
    return set.find(c) != std::string_view::npos;
}

// One step of the scan at a special character: the marker found there (empty for plain text)
// and where scanning goes on. Resume is always past the start, and never before a character
// that could begin another marker, so the whole scan stays linear.
struct FStep
{
    std::size_t Length = 0;
    std::size_t Resume = 0;
};

std::size_t SkipDigits(std::string_view text, std::size_t at)
{
    while (at < text.size() && IsDigit(text[at]))
    {
        ++at;
    }
    return at;
}

// "{0}" or "{Name}"; "{{" is an escaped brace.
FStep ScanBrace(std::string_view text, std::size_t at)
{
    std::size_t p = at + 1;
    if (p < text.size() && text[p] == '{')
    {
        return {0, p + 1};
    }
    if (p < text.size() && IsDigit(text[p]))
    {
        p = SkipDigits(text, p);
    }
    else if (p < text.size() && (IsLetter(text[p]) || text[p] == '_'))
    {
        while (p < text.size() && IsIdentifierChar(text[p]))
        {
            ++p;
        }
    }
    else
    {
        return {0, p};
    }
    if (p < text.size() && text[p] == '}')
    {
        return {p + 1 - at, p + 1};
    }
    return {0, p};
}

// printf-style: %[n$][flags][width][.precision][length]conversion; "%%" is a literal percent.
// A space flag is not taken: "100% sure" is prose, not "% s".
FStep ScanPercent(std::string_view text, std::size_t at)
{
    std::size_t p = at + 1;
    if (p < text.size() && text[p] == '%')
    {
        return {0, p + 1};
    }
    const std::size_t digitsEnd = SkipDigits(text, p);
    if (digitsEnd > p && digitsEnd < text.size() && text[digitsEnd] == '$')
    {
        p = digitsEnd + 1;
    }
    while (p < text.size() && IsOneOf(text[p], "-+#0'"))
    {
        ++p;
    }
    if (p < text.size() && text[p] == '*')
    {
        ++p;
    }
    else
    {
        p = SkipDigits(text, p);
    }
    if (p < text.size() && text[p] == '.')
    {
        ++p;
        if (p < text.size() && text[p] == '*')
        {
            ++p;
        }
        else
        {
            p = SkipDigits(text, p);
        }
    }
    for (int lengthChars = 0; lengthChars < 2 && p < text.size() && IsOneOf(text[p], "hlLjztq"); ++lengthChars)
    {
        ++p;
    }
    if (p < text.size() && IsOneOf(text[p], "sdiufxcpeg"))
    {
        return {p + 1 - at, p + 1};
    }
    return {0, p};
}

// "<b>", "</b>", "</>", "<font face="x" size=2>": up to the next ">" on the same line, with no
// "<" in between. "a < 3" and "<3" are plain text.
FStep ScanTag(std::string_view text, std::size_t at)
{
    const std::size_t p = at + 1;
    const bool opens = p < text.size() && IsLetter(text[p]);
    const bool closes = p + 1 < text.size() && text[p] == '/' && (IsLetter(text[p + 1]) || text[p + 1] == '>');
    if (!opens && !closes)
    {
        return {0, p};
    }
    std::size_t q = p;
    while (q < text.size() && text[q] != '>' && text[q] != '<' && text[q] != '\n')
    {
        ++q;
    }
    if (q < text.size() && text[q] == '>')
    {
        return {q + 1 - at, q + 1};
    }
    // The characters up to q hold no "<", so no later tag scan covers them again.
    return {0, p};
}

std::vector<std::string_view> Markers(std::string_view text)
{
    std::vector<std::string_view> markers;
    std::size_t i = 0;
    while (i < text.size())
    {
        FStep step;
        switch (text[i])
        {
        case '{':
            step = ScanBrace(text, i);
            break;
        case '%':
            step = ScanPercent(text, i);
            break;
        case '<':
            step = ScanTag(text, i);
            break;
        default:
            ++i;
            continue;
        }
        if (step.Length > 0)
        {
            markers.push_back(text.substr(i, step.Length));
        }
        i = step.Resume;
    }
    return markers;
}

// Source markers count up, translation markers count down: zero everywhere means equal.
std::unordered_map<std::string_view, long> Balance(const std::vector<std::string_view>& source,
                                                   const std::vector<std::string_view>& translation)
{
    std::unordered_map<std::string_view, long> balance;
    for (const auto marker : source)
    {
        ++balance[marker];
    }
    for (const auto marker : translation)
    {
        --balance[marker];
    }
    return balance;
}

// At most MaxShownMarkerLength bytes, cut on a UTF-8 character boundary.
std::string Shortened(std::string_view marker)
{
    if (marker.size() <= MaxShownMarkerLength)
    {
        return std::string(marker);
    }
    std::size_t cut = MaxShownMarkerLength;
    while (cut > 0 && (static_cast<unsigned char>(marker[cut]) & 0xC0) == 0x80)
    {
        --cut;
    }
    return std::string(marker.substr(0, cut)) + "...";
}

void AppendList(std::string& out, std::string_view label, const std::vector<std::string_view>& items)
{
    if (items.empty())
    {
        return;
    }
    out += out.empty() ? "" : "; ";
    out += label;
    for (std::size_t i = 0; i < items.size(); ++i)
    {
        const std::string shown = Shortened(items[i]);
        if (out.size() + shown.size() > MaxDescriptionLength)
        {
            out += i == 0 ? " ..." : ", ...";
            return;
        }
        out += i == 0 ? " " : ", ";
        out += shown;
    }
}
} // namespace

bool HaveSameMarkers(std::string_view source, std::string_view translation)
{
    const auto sourceMarkers = Markers(source);
    const auto translationMarkers = Markers(translation);
    if (sourceMarkers.size() != translationMarkers.size())
    {
        return false;
    }
    for (const auto& [marker, count] : Balance(sourceMarkers, translationMarkers))
    {
        if (count != 0)
        {
            return false;
        }
    }
    return true;
}

std::string DescribeMarkerDifference(std::string_view source, std::string_view translation)
{
    const auto sourceMarkers = Markers(source);
    const auto translationMarkers = Markers(translation);
    auto balance = Balance(sourceMarkers, translationMarkers);
    // Listed in the order each text holds them, a marker as often as it is short or over.
    std::vector<std::string_view> missing;
    for (const auto marker : sourceMarkers)
    {
        if (auto& count = balance[marker]; count > 0)
        {
            missing.push_back(marker);
            --count;
        }
    }
    std::vector<std::string_view> extra;
    for (const auto marker : translationMarkers)
    {
        if (auto& count = balance[marker]; count < 0)
        {
            extra.push_back(marker);
            ++count;
        }
    }
    std::string description;
    AppendList(description, "missing", missing);
    AppendList(description, "extra", extra);
    return description;
}
} // namespace lirno
