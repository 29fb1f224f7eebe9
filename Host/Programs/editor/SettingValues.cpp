#include "SettingValues.h"

#include <Util/AsciiCase.h>

#include <algorithm>

namespace editor
{
namespace
{
bool EndsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}
} // namespace

bool IsSecretKey(const std::string& key)
{
    const std::string name = util::ToLowerAscii(key);
    return EndsWith(name, "key") || name.find("password") != std::string::npos ||
           name.find("secret") != std::string::npos || name.find("token") != std::string::npos;
}

bool IsAddressKey(const std::string& key)
{
    const std::string name = util::ToLowerAscii(key);
    return name == "host" || EndsWith(name, "url");
}

std::string CheckValue(const std::string& key, const std::string& value)
{
    if (!IsAddressKey(key))
    {
        return {};
    }
    const std::string lower = util::ToLowerAscii(value);
    const std::size_t schemeEnd = lower.rfind("http://", 0) == 0 ? 7 : lower.rfind("https://", 0) == 0 ? 8 : 0;
    const bool blank = std::any_of(value.begin(), value.end(),
                                   [](unsigned char c) { return c <= ' ' || c == 0x7f; });
    if (schemeEnd == 0 || blank || value.size() == schemeEnd || value[schemeEnd] == '/')
    {
        return "'" + value + "' is not an http or https address (for example http://127.0.0.1:8080)";
    }
    if (util::ToLowerAscii(key) == "host" && value.back() == '/')
    {
        // Request addresses are the Host followed by a path that starts with "/".
        return "'" + value + "' ends in \"/\"; request addresses are Host + path, so write it as '" +
               value.substr(0, value.find_last_not_of('/') + 1) + "'";
    }
    return {};
}

std::string Masked(const std::string& value)
{
    if (value.empty())
    {
        return "(not set)";
    }
    return value.size() >= 12 ? "********" + value.substr(value.size() - 4) : std::string("********");
}
} // namespace editor
