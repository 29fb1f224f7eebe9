#include "JsonText.h"
#include "LocFormat/FileIo.h"
#include "LocFormat/TextFiles.h"

#include <set>
#include <utility>

namespace locformat
{
using nlohmann::json;

FArchiveEntry* FArchive::Find(std::string_view ns, std::string_view key)
{
    for (FArchiveEntry& entry : Entries)
    {
        if (entry.Namespace == ns && entry.Key == key)
        {
            return &entry;
        }
    }
    return nullptr;
}

const FArchiveEntry* FArchive::Find(std::string_view ns, std::string_view key) const
{
    return const_cast<FArchive*>(this)->Find(ns, key);
}

namespace
{
bool ParseArchiveEntry(const json& item, const std::string& where, FArchiveEntry& entry, std::string& error)
{
    if (!item.is_object())
    {
        error = where + ": not a JSON object";
        return false;
    }
    return detail::ReadStringField(item, "Namespace", true, where, entry.Namespace, error) &&
           detail::ReadStringField(item, "Key", true, where, entry.Key, error) &&
           detail::ReadStringField(item, "Source", true, where, entry.Source, error) &&
           detail::ReadStringField(item, "Translation", false, where, entry.Translation, error);
}
} // namespace

bool ParseArchive(std::string_view text, const std::string& name, FArchive& archive, std::string& error)
{
    archive = FArchive{};
    json root;
    const json* entries = nullptr;
    if (!detail::ParseTextFileRoot(text, name, root, error) ||
        !detail::ReadStringField(root, "Target", false, name, archive.Target, error) ||
        !detail::ReadStringField(root, "Culture", false, name, archive.Culture, error) ||
        !detail::FindEntries(root, name, entries, error))
    {
        return false;
    }
    std::set<std::pair<std::string, std::string>> seen;
    for (std::size_t i = 0; i < entries->size(); ++i)
    {
        const std::string where = detail::EntryLocation(name, i);
        FArchiveEntry entry;
        if (!ParseArchiveEntry((*entries)[i], where, entry, error))
        {
            return false;
        }
        if (!seen.emplace(entry.Namespace, entry.Key).second)
        {
            error = where + ": duplicate text \"" + entry.Namespace + "\" / \"" + entry.Key + "\"";
            return false;
        }
        archive.Entries.push_back(std::move(entry));
    }
    return true;
}

bool ArchiveToJson(const FArchive& archive, std::string& text, std::string& error)
{
    nlohmann::ordered_json entries = nlohmann::ordered_json::array();
    for (const FArchiveEntry& entry : archive.Entries)
    {
        entries.push_back(nlohmann::ordered_json{{"Namespace", entry.Namespace},
                                                 {"Key", entry.Key},
                                                 {"Source", entry.Source},
                                                 {"Translation", entry.Translation}});
    }
    nlohmann::ordered_json root;
    root["FormatVersion"] = TextFileFormatVersion;
    root["Target"] = archive.Target;
    root["Culture"] = archive.Culture;
    root["Entries"] = entries;
    return detail::WriteJsonText(root, "archive " + archive.Target + "/" + archive.Culture, text, error);
}

bool ReadArchive(const std::string& path, FArchive& archive, std::string& error)
{
    std::string text;
    return ReadFileText(path, text, error) && ParseArchive(text, path, archive, error);
}

bool WriteArchive(const std::string& path, const FArchive& archive, std::string& error)
{
    std::string text;
    if (!ArchiveToJson(archive, text, error))
    {
        error = path + ": " + error;
        return false;
    }
    return WriteFileAtomically(path, text, error);
}
} // namespace locformat
