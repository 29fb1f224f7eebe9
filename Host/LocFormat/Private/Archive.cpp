#include "JsonText.h"
#include "LocFormat/FileIo.h"
#include "LocFormat/TextFiles.h"

#include <algorithm>
#include <iterator>
#include <set>
#include <string_view>
#include <utility>

namespace locformat
{
using json = detail::Json;

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
constexpr const char* InterpretedMembers[] = {"Namespace", "Key", "Source", "Translation"};

bool IsInterpreted(std::string_view member)
{
    return std::find(std::begin(InterpretedMembers), std::end(InterpretedMembers), member) !=
           std::end(InterpretedMembers);
}

bool ParseArchiveEntry(const json& item, const std::string& where, FArchiveEntry& entry, std::string& error)
{
    if (!item.is_object())
    {
        error = where + ": not a JSON object";
        return false;
    }
    if (!detail::ReadStringField(item, "Namespace", true, where, entry.Namespace, error) ||
        !detail::ReadStringField(item, "Key", true, where, entry.Key, error) ||
        !detail::ReadStringField(item, "Source", true, where, entry.Source, error) ||
        !detail::ReadStringField(item, "Translation", false, where, entry.Translation, error))
    {
        return false;
    }
    for (const auto& [member, value] : item.items())
    {
        if (!IsInterpreted(member))
        {
            // Parsed text is valid UTF-8, so dumping it cannot throw.
            entry.OtherFields.emplace_back(member, value.dump());
        }
    }
    return true;
}

// An entry as written: the interpreted members, then the others as they were read.
bool ArchiveEntryToJson(const FArchiveEntry& entry, const std::string& where, json& item, std::string& error)
{
    item = json{{"Namespace", entry.Namespace},
                {"Key", entry.Key},
                {"Source", entry.Source},
                {"Translation", entry.Translation}};
    for (const auto& [member, text] : entry.OtherFields)
    {
        if (item.contains(member))
        {
            error = where + ": member \"" + member + "\" is written twice";
            return false;
        }
        json value = json::parse(text.begin(), text.end(), nullptr, false);
        if (value.is_discarded())
        {
            error = where + ": member \"" + member + "\" does not hold JSON text";
            return false;
        }
        item[member] = std::move(value);
    }
    return true;
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
    const std::string what = "archive " + archive.Target + "/" + archive.Culture;
    json entries = json::array();
    for (std::size_t i = 0; i < archive.Entries.size(); ++i)
    {
        json item;
        if (!ArchiveEntryToJson(archive.Entries[i], detail::EntryLocation(what, i), item, error))
        {
            return false;
        }
        entries.push_back(std::move(item));
    }
    json root;
    root["FormatVersion"] = TextFileFormatVersion;
    root["Target"] = archive.Target;
    root["Culture"] = archive.Culture;
    root["Entries"] = std::move(entries);
    return detail::WriteJsonText(root, what, text, error);
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
