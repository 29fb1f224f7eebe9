#include "names.h"

#include "records.h"

#include <array>

namespace zipengine
{
namespace
{
bool equal_ignoring_case(std::u16string_view a, std::u16string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (fold_ascii(a[i]) != fold_ascii(b[i]))
            return false;
    return true;
}
} // namespace

std::uint16_t method_for_name(std::u16string_view name)
{
    static constexpr std::array<std::u16string_view, 8> Compressed = {u".Z",   u".zip", u".zoo", u".arc",
                                                                      u".lzh", u".arj", u".gz",  u".tgz"};
    const auto dot = name.rfind(u'.');
    if (dot == std::u16string_view::npos)
        return MethodDeflated;
    const auto extension = name.substr(dot);
    for (const auto candidate : Compressed)
        if (equal_ignoring_case(extension, candidate))
            return MethodStored;
    return MethodDeflated;
}

std::u16string clean_name(std::u16string_view name)
{
    static constexpr std::array<std::u16string_view, 4> Climbs = {u"\\..\\", u"\\../", u"/../", u"/..\\"};
    for (;;)
    {
        if (name.size() >= 2 && name[1] == u':')
        {
            name.remove_prefix(2);
            continue;
        }
        if (!name.empty() && is_separator(name[0]))
        {
            name.remove_prefix(1);
            continue;
        }
        bool dropped = false;
        for (const auto pattern : Climbs)
        {
            const auto at = name.find(pattern);
            if (at != std::u16string_view::npos)
            {
                name.remove_prefix(at + pattern.size());
                dropped = true;
                break;
            }
        }
        if (!dropped)
            return std::u16string(name);
    }
}

bool climbs_out(std::u16string_view relative)
{
    long depth = 0;
    std::size_t start = 0;
    while (start <= relative.size())
    {
        std::size_t end = start;
        while (end < relative.size() && !is_separator(relative[end]))
            ++end;
        const auto part = relative.substr(start, end - start);
        if (part == u"..")
        {
            if (--depth < 0)
                return true;
        }
        else if (!part.empty() && part != u".")
        {
            ++depth;
        }
        start = end + 1;
    }
    return false;
}

bool is_absolute(std::u16string_view path)
{
    return !path.empty() && is_separator(path[0]);
}
} // namespace zipengine
