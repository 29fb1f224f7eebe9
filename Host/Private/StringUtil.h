// Small text helpers shared by the host's parsers and printers.
#pragma once

#include "AsciiCase.h"

#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace host
{
inline std::string_view Trim(std::string_view text)
{
    const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && isSpace(text.front()))
    {
        text.remove_prefix(1);
    }
    while (!text.empty() && isSpace(text.back()))
    {
        text.remove_suffix(1);
    }
    return text;
}

inline std::vector<std::string_view> Split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (;;)
    {
        const std::size_t at = text.find(separator, start);
        parts.push_back(
            text.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start));
        if (at == std::string_view::npos)
        {
            return parts;
        }
        start = at + 1;
    }
}

// The whole text must be a decimal number that fits; a leading "+" is accepted.
inline bool ParseInt32(std::string_view text, std::int32_t& out)
{
    if (!text.empty() && text.front() == '+')
    {
        text.remove_prefix(1);
    }
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
    {
        return false;
    }
    out = value;
    return true;
}

inline bool ParseDouble(std::string_view text, double& out)
{
    if (!text.empty() && text.front() == '+')
    {
        text.remove_prefix(1);
    }
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
    {
        return false;
    }
    out = value;
    return true;
}

// Shortest text that reads back to the same double.
inline std::string FormatDouble(double value)
{
    char buffer[64];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return error == std::errc() ? std::string(buffer, end) : std::string("0");
}
} // namespace host
