#include "lirnoWidePath.h"

#include "utf.h" // the zip engine's conversion

namespace lirno
{
std::u16string ToWide(std::string_view utf8)
{
    return zipengine::to_utf16(utf8);
}

std::string FromWide(std::u16string_view utf16)
{
    return zipengine::to_utf8(utf16);
}
} // namespace lirno
