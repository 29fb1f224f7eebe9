// Manifests and archives: the localization text files that the gather step writes, the translation
// service fills in and the compile step reads. JSON text, UTF-8, one file per target (manifest) or
// per target and culture (archive). Failures are values: every function reports a message that
// names the file (or the name given for in-memory text) and never throws.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace locformat
{
inline constexpr int TextFileFormatVersion = 1;

// A source text of the manifest: where it came from is informational (file:line).
struct FManifestEntry
{
    std::string Namespace;
    std::string Key;
    std::string Source;
    std::vector<std::string> Origins;
};

struct FManifest
{
    std::string Target;
    std::string NativeCulture;
    std::vector<FManifestEntry> Entries;

    const FManifestEntry* Find(std::string_view ns, std::string_view key) const;
};

// One text of a culture. An empty translation means "not translated yet".
struct FArchiveEntry
{
    std::string Namespace;
    std::string Key;
    std::string Source;
    std::string Translation;
    // Members this library does not interpret (a mark of where a translation came from, say):
    // name and JSON text, in file order. Written back after "Translation", unchanged.
    std::vector<std::pair<std::string, std::string>> OtherFields = {};

    bool IsTranslated() const { return !Translation.empty(); }
};

struct FArchive
{
    std::string Target;
    std::string Culture;
    std::vector<FArchiveEntry> Entries;

    const FArchiveEntry* Find(std::string_view ns, std::string_view key) const;
    FArchiveEntry* Find(std::string_view ns, std::string_view key);
};

// In-memory forms, for texts that arrive from elsewhere (a zip entry, an HTTP body). `name` is
// what error messages call the text, usually its file path or entry name. Parsing rejects
// malformed JSON, wrong field types, an unknown format version and duplicate namespace/key pairs.
bool ParseManifest(std::string_view json, const std::string& name, FManifest& manifest, std::string& error);
bool ParseArchive(std::string_view json, const std::string& name, FArchive& archive, std::string& error);
// Fails only on text that is not valid UTF-8, which JSON cannot carry.
bool ManifestToJson(const FManifest& manifest, std::string& json, std::string& error);
bool ArchiveToJson(const FArchive& archive, std::string& json, std::string& error);

// File forms. Writing replaces the file atomically (temporary file, then rename) and creates
// missing parent folders, so a failed write never leaves half a file behind.
bool ReadManifest(const std::string& path, FManifest& manifest, std::string& error);
bool WriteManifest(const std::string& path, const FManifest& manifest, std::string& error);
bool ReadArchive(const std::string& path, FArchive& archive, std::string& error);
bool WriteArchive(const std::string& path, const FArchive& archive, std::string& error);
} // namespace locformat
