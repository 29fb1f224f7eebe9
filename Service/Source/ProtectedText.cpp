#include "ProtectedText.h"

#include <algorithm>

namespace lirno::service
{
namespace
{
bool IsAsciiAlpha(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Length of the protected run starting at `pos`, or 0 when a literal character starts there.
std::size_t ProtectedLength(std::string_view text, std::size_t pos)
{
    const char c = text[pos];
    const std::string_view rest = text.substr(pos);
    if (c == '\n' || c == '\r' || c == '\t')
        return 1;
    if (c == '{')
    {
        // The closing brace must come before another opening one: "{{" is literal text.
        const auto close = rest.find_first_of("{}", 1);
        return close != std::string_view::npos && rest[close] == '}' ? close + 1 : 0;
    }
    if (c == '<' && rest.size() > 1 && (IsAsciiAlpha(rest[1]) || rest[1] == '/' || rest[1] == '!'))
    {
        // "a < b" stays literal: markup starts with a name, "/" or "!".
        const auto close = rest.find_first_of("<>", 1);
        return close != std::string_view::npos && rest[close] == '>' ? close + 1 : 0;
    }
    if (c == '&')
    {
        std::size_t i = 1;
        if (i < rest.size() && rest[i] == '#')
            ++i;
        const std::size_t name_start = i;
        while (i < rest.size() && i < 12 && (IsAsciiAlpha(rest[i]) || IsDigit(rest[i])))
            ++i;
        return i > name_start && i < rest.size() && rest[i] == ';' ? i + 1 : 0;
    }
    if (c == '%')
    {
        // printf conversions with flags, width and position: %s, %d, %1$s, %.2f, %%.
        std::size_t i = 1;
        while (i < rest.size() && (IsDigit(rest[i]) || rest[i] == '$' || rest[i] == '.' || rest[i] == '-'))
            ++i;
        if (i < rest.size() && std::string_view("sdifuxXc%").find(rest[i]) != std::string_view::npos)
            return i + 1;
        return 0;
    }
    return 0;
}

std::vector<std::string_view> SortedProtectedRuns(std::string_view text)
{
    std::vector<std::string_view> runs;
    for (const TextSegment& segment : SplitProtected(text))
    {
        if (segment.is_protected)
            runs.push_back(segment.text);
    }
    std::sort(runs.begin(), runs.end());
    return runs;
}
} // namespace

std::vector<TextSegment> SplitProtected(std::string_view text)
{
    std::vector<TextSegment> segments;
    std::size_t literal_start = 0;
    std::size_t pos = 0;
    while (pos < text.size())
    {
        const std::size_t length = ProtectedLength(text, pos);
        if (length == 0)
        {
            ++pos;
            continue;
        }
        if (pos > literal_start)
            segments.push_back({text.substr(literal_start, pos - literal_start), false});
        segments.push_back({text.substr(pos, length), true});
        pos += length;
        literal_start = pos;
    }
    if (literal_start < text.size())
        segments.push_back({text.substr(literal_start), false});
    return segments;
}

bool ProtectedRunsIntact(std::string_view source, std::string_view translation)
{
    return SortedProtectedRuns(source) == SortedProtectedRuns(translation);
}
} // namespace lirno::service
