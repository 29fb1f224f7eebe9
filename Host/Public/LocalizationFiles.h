// Manifests and archives read and written as the editor's own localization steps do, for
// plug-ins that check or merge localization data. Failures are values: each function gives a
// message naming the file (or the name given for in-memory text) and never throws.
#pragma once

#include "HostApi.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace host
{
struct FLocManifestEntry
{
    std::string Namespace;
    std::string Key;
    std::string Source;
};

struct FLocManifest
{
    std::string Target;
    std::string NativeCulture;
    std::vector<FLocManifestEntry> Entries;
};

// One text of a culture; an empty translation means "not translated yet".
struct FLocArchiveEntry
{
    std::string Namespace;
    std::string Key;
    std::string Source;
    std::string Translation;
    // Members this editor does not interpret (a mark of where a translation came from, say),
    // as name and JSON text, in file order; written back unchanged.
    std::vector<std::pair<std::string, std::string>> OtherFields = {};
};

struct FLocArchive
{
    std::string Target;
    std::string Culture;
    std::vector<FLocArchiveEntry> Entries;
};

namespace LocFiles
{
// `name` is what messages call the text. Malformed JSON, an unknown format version, wrong field
// types and a namespace/key pair listed twice are refused.
HOST_API bool ParseManifest(std::string_view text, const std::string& name, FLocManifest& manifest,
                            std::string& error);
HOST_API bool ParseArchive(std::string_view text, const std::string& name, FLocArchive& archive,
                           std::string& error);
// The file text the localization steps write; fails only on text that is not valid UTF-8.
HOST_API bool ArchiveToText(const FLocArchive& archive, std::string& text, std::string& error);
} // namespace LocFiles
} // namespace host
