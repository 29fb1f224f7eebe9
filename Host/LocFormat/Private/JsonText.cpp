#include "JsonText.h"

#include "LocFormat/TextFiles.h"

namespace locformat::detail
{
using json = Json;

bool ParseTextFileRoot(std::string_view text, const std::string& name, json& root, std::string& error)
{
    try
    {
        root = json::parse(text.begin(), text.end());
    }
    catch (const json::exception& failure)
    {
        error = name + ": malformed JSON (" + failure.what() + ")";
        return false;
    }
    if (!root.is_object())
    {
        error = name + ": the top level is not a JSON object";
        return false;
    }
    const auto version = root.find("FormatVersion");
    if (version == root.end() || !version->is_number_integer())
    {
        error = name + ": \"FormatVersion\" is missing or not an integer";
        return false;
    }
    if (version->get<long long>() != TextFileFormatVersion)
    {
        error = name + ": unsupported \"FormatVersion\" " + version->dump();
        return false;
    }
    return true;
}

bool ReadStringField(const json& object, const char* field, bool required, const std::string& where,
                     std::string& value, std::string& error)
{
    value.clear();
    const auto found = object.find(field);
    if (found == object.end() || found->is_null())
    {
        if (required)
        {
            error = where + ": \"" + field + "\" is missing";
            return false;
        }
        return true;
    }
    if (!found->is_string())
    {
        error = where + ": \"" + field + "\" is not a string";
        return false;
    }
    value = found->get<std::string>();
    return true;
}

bool FindEntries(const json& root, const std::string& name, const json*& entries, std::string& error)
{
    static const json empty = json::array();
    const auto found = root.find("Entries");
    if (found == root.end() || found->is_null())
    {
        entries = &empty;
        return true;
    }
    if (!found->is_array())
    {
        error = name + ": \"Entries\" is not an array";
        return false;
    }
    entries = &*found;
    return true;
}

bool WriteJsonText(const json& value, const std::string& what, std::string& text, std::string& error)
{
    try
    {
        text = value.dump(1, '\t', false, json::error_handler_t::strict);
        text += '\n';
        return true;
    }
    catch (const json::exception& failure)
    {
        error = what + ": cannot be written as JSON (" + failure.what() + ")";
        return false;
    }
}

std::string EntryLocation(const std::string& name, std::size_t index)
{
    return name + ": entry " + std::to_string(index + 1);
}
} // namespace locformat::detail
