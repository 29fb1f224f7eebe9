#include "AsciiCase.h"

#include <Util/AsciiCase.h>

namespace host
{
std::string ToLowerAscii(std::string_view text)
{
    return util::ToLowerAscii(text);
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b)
{
    return util::EqualsIgnoreCase(a, b);
}

bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix)
{
    return util::StartsWithIgnoreCase(text, prefix);
}
} // namespace host
