#include "text.h"

#include <Util/Utf.h>
#include <cstdio>
#include <vector>

namespace ziptool
{
std::u16string widen(const std::string& text)
{
    return util::Utf8ToUtf16(text);
}

std::string narrow(const char16_t* text)
{
    return util::Utf16ToUtf8(text);
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
