// The JSON plumbing shared by manifests and archives: parsing without exceptions escaping,
// field access with messages that say where the fault is, and the writer.
#pragma once

#include "LocFormat/FileIo.h"

#include <nlohmann/json.hpp>

#include <string>
#include <string_view>

namespace locformat::detail
{
// Objects keep their members in file order, so members a reader does not interpret can be
// written back where they were.
using Json = nlohmann::ordered_json;

// Parses a text file's root object and checks its "FormatVersion".
bool ParseTextFileRoot(std::string_view json, const std::string& name, Json& root, std::string& error);

// A string field of `object`; an absent optional field leaves `value` empty. `where` prefixes
// messages ("Game.archive: entry 3").
bool ReadStringField(const Json& object, const char* field, bool required, const std::string& where,
                     std::string& value, std::string& error);

// The "Entries" array of the root; an absent array is an empty file.
bool FindEntries(const Json& root, const std::string& name, const Json*& entries, std::string& error);

// Tab-indented text with a final newline, fields in insertion order; fails on strings that
// are not valid UTF-8.
bool WriteJsonText(const Json& value, const std::string& what, std::string& json, std::string& error);

std::string EntryLocation(const std::string& name, std::size_t index);

// Reads the file at `path` into `value` with `parse` (ParseManifest, ParseArchive), which names
// the file in its messages.
template <class T>
bool ReadTextFile(const std::string& path, T& value, std::string& error,
                  bool (*parse)(std::string_view, const std::string&, T&, std::string&))
{
    std::string text;
    return ReadFileText(path, text, error) && parse(text, path, value, error);
}

// Replaces the file at `path` with what `toJson` (ManifestToJson, ArchiveToJson) makes of `value`.
template <class T>
bool WriteTextFile(const std::string& path, const T& value, std::string& error,
                   bool (*toJson)(const T&, std::string&, std::string&))
{
    std::string text;
    if (!toJson(value, text, error))
    {
        error = path + ": " + error;
        return false;
    }
    return WriteFileAtomically(path, text, error);
}
} // namespace locformat::detail
