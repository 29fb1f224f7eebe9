#include "VersionCompare.h"

#include <charconv>

namespace lirno::service
{
namespace
{
unsigned long long NextPart(std::string_view& text)
{
    const auto dot = text.find('.');
    const std::string_view part = text.substr(0, dot);
    text = dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
    unsigned long long value = 0;
    const auto [ptr, ec] = std::from_chars(part.data(), part.data() + part.size(), value);
    return ec == std::errc() && ptr == part.data() + part.size() ? value : 0;
}
} // namespace

int CompareVersions(std::string_view a, std::string_view b)
{
    while (!a.empty() || !b.empty())
    {
        const auto x = NextPart(a);
        const auto y = NextPart(b);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return 0;
}
} // namespace lirno::service
