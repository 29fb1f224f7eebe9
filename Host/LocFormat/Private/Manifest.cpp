#include "JsonText.h"
#include "LocFormat/TextFiles.h"

#include <set>
#include <utility>

namespace locformat
{
using json = detail::Json;

const FManifestEntry* FManifest::Find(std::string_view ns, std::string_view key) const
{
    for (const FManifestEntry& entry : Entries)
    {
        if (entry.Namespace == ns && entry.Key == key)
        {
            return &entry;
        }
    }
    return nullptr;
}

namespace
{
bool ParseManifestEntry(const json& item, const std::string& where, FManifestEntry& entry, std::string& error)
{
    if (!item.is_object())
    {
        error = where + ": not a JSON object";
        return false;
    }
    if (!detail::ReadStringField(item, "Namespace", true, where, entry.Namespace, error) ||
        !detail::ReadStringField(item, "Key", true, where, entry.Key, error) ||
        !detail::ReadStringField(item, "Source", true, where, entry.Source, error))
    {
        return false;
    }
    const auto origins = item.find("Origins");
    if (origins == item.end() || origins->is_null())
    {
        return true;
    }
    if (!origins->is_array())
    {
        error = where + ": \"Origins\" is not an array";
        return false;
    }
    for (const json& origin : *origins)
    {
        if (!origin.is_string())
        {
            error = where + ": \"Origins\" holds a value that is not a string";
            return false;
        }
        entry.Origins.push_back(origin.get<std::string>());
    }
    return true;
}
} // namespace

bool ParseManifest(std::string_view text, const std::string& name, FManifest& manifest, std::string& error)
{
    manifest = FManifest{};
    json root;
    const json* entries = nullptr;
    if (!detail::ParseTextFileRoot(text, name, root, error) ||
        !detail::ReadStringField(root, "Target", false, name, manifest.Target, error) ||
        !detail::ReadStringField(root, "NativeCulture", false, name, manifest.NativeCulture, error) ||
        !detail::FindEntries(root, name, entries, error))
    {
        return false;
    }
    std::set<std::pair<std::string, std::string>> seen;
    for (std::size_t i = 0; i < entries->size(); ++i)
    {
        const std::string where = detail::EntryLocation(name, i);
        FManifestEntry entry;
        if (!ParseManifestEntry((*entries)[i], where, entry, error))
        {
            return false;
        }
        if (!seen.emplace(entry.Namespace, entry.Key).second)
        {
            error = where + ": duplicate text \"" + entry.Namespace + "\" / \"" + entry.Key + "\"";
            return false;
        }
        manifest.Entries.push_back(std::move(entry));
    }
    return true;
}

bool ManifestToJson(const FManifest& manifest, std::string& text, std::string& error)
{
    nlohmann::ordered_json entries = nlohmann::ordered_json::array();
    for (const FManifestEntry& entry : manifest.Entries)
    {
        nlohmann::ordered_json item = {
            {"Namespace", entry.Namespace}, {"Key", entry.Key}, {"Source", entry.Source}};
        if (!entry.Origins.empty())
        {
            item["Origins"] = entry.Origins;
        }
        entries.push_back(std::move(item));
    }
    nlohmann::ordered_json root;
    root["FormatVersion"] = TextFileFormatVersion;
    root["Target"] = manifest.Target;
    root["NativeCulture"] = manifest.NativeCulture;
    root["Entries"] = entries;
    return detail::WriteJsonText(root, "manifest " + manifest.Target, text, error);
}

bool ReadManifest(const std::string& path, FManifest& manifest, std::string& error)
{
    return detail::ReadTextFile(path, manifest, error, ParseManifest);
}

bool WriteManifest(const std::string& path, const FManifest& manifest, std::string& error)
{
    return detail::WriteTextFile(path, manifest, error, ManifestToJson);
}
} // namespace locformat
