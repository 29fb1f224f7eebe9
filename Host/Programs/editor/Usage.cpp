#include "Usage.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace editor
{
namespace
{
std::string Plain(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.15g", value);
    return text;
}

// Edits (insert, delete, replace, swap of neighbours) that turn one word into the other.
std::size_t Distance(const std::string& a, const std::string& b)
{
    std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
    for (std::size_t i = 0; i <= a.size(); ++i)
    {
        d[i][0] = i;
    }
    for (std::size_t j = 0; j <= b.size(); ++j)
    {
        d[0][j] = j;
    }
    for (std::size_t i = 1; i <= a.size(); ++i)
    {
        for (std::size_t j = 1; j <= b.size(); ++j)
        {
            const std::size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
            {
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
            }
        }
    }
    return d[a.size()][b.size()];
}
} // namespace

CLI::Validator NumberIn(double min, double max, bool whole)
{
    const std::string range = "from " + Plain(min) + " to " + Plain(max);
    return CLI::Validator(
        [=](std::string& text) -> std::string
        {
            const char* begin = text.c_str();
            char* end = nullptr;
            const double value = std::strtod(begin, &end);
            if (text.empty() || end != begin + text.size() || !std::isfinite(value) ||
                (whole && value != std::floor(value)))
            {
                return "'" + text + "' is not " + (whole ? "a whole number" : "a number");
            }
            if (value < min || value > max)
            {
                return "'" + text + "' is out of range (" + range + ")";
            }
            return {};
        },
        whole ? "INT" : "NUMBER");
}

std::string UnknownCommand(const std::vector<std::string>& arguments, const std::vector<std::string>& known,
                           const std::vector<std::string>& valueOptions)
{
    for (std::size_t i = 0; i < arguments.size(); ++i)
    {
        const std::string& word = arguments[i];
        if (word == "--")
        {
            return {};
        }
        if (word.rfind('-', 0) == 0)
        {
            // "--plugins DIR" takes the next word; "--plugins=DIR" does not.
            if (std::find(valueOptions.begin(), valueOptions.end(), word) != valueOptions.end())
            {
                ++i;
            }
            continue;
        }
        return std::find(known.begin(), known.end(), word) == known.end() ? word : std::string();
    }
    return {};
}

std::string UnknownCommandMessage(const std::string& word, const std::vector<std::string>& known)
{
    std::string message = "unknown command '" + word + "'";
    std::string best;
    std::size_t bestDistance = 3; // farther than two edits is no longer a typing mistake
    for (const std::string& name : known)
    {
        const std::size_t distance = Distance(word, name);
        if (distance < bestDistance)
        {
            best = name;
            bestDistance = distance;
        }
    }
    if (!best.empty())
    {
        message += " (did you mean '" + best + "'?)";
    }
    std::string names;
    for (const std::string& name : known)
    {
        names += (names.empty() ? "" : ", ") + name;
    }
    return message + "; commands: " + names;
}
} // namespace editor
