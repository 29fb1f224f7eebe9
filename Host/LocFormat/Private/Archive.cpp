#include "ArchiveReader.h"
#include "JsonText.h"
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
    return detail::ReadArchiveText(text, name, archive, error);
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
    return detail::ReadTextFile(path, archive, error, ParseArchive);
}

bool WriteArchive(const std::string& path, const FArchive& archive, std::string& error)
{
    return detail::WriteTextFile(path, archive, error, ArchiveToJson);
}
} // namespace locformat
