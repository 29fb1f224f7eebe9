// The host's manifest and archive API over the format library the localization steps use, so a
// plug-in reads and writes exactly the files the steps do.
#include "LocalizationFiles.h"

#include "LocFormat/TextFiles.h"

#include <utility>

namespace host::LocFiles
{
bool ParseManifest(std::string_view text, const std::string& name, FLocManifest& manifest, std::string& error)
{
    manifest = FLocManifest{};
    locformat::FManifest parsed;
    if (!locformat::ParseManifest(text, name, parsed, error))
    {
        return false;
    }
    manifest.Target = std::move(parsed.Target);
    manifest.NativeCulture = std::move(parsed.NativeCulture);
    manifest.Entries.reserve(parsed.Entries.size());
    for (locformat::FManifestEntry& entry : parsed.Entries)
    {
        manifest.Entries.push_back(
            FLocManifestEntry{std::move(entry.Namespace), std::move(entry.Key), std::move(entry.Source)});
    }
    return true;
}

bool ParseArchive(std::string_view text, const std::string& name, FLocArchive& archive, std::string& error)
{
    archive = FLocArchive{};
    locformat::FArchive parsed;
    if (!locformat::ParseArchive(text, name, parsed, error))
    {
        return false;
    }
    archive.Target = std::move(parsed.Target);
    archive.Culture = std::move(parsed.Culture);
    archive.Entries.reserve(parsed.Entries.size());
    for (locformat::FArchiveEntry& entry : parsed.Entries)
    {
        archive.Entries.push_back(FLocArchiveEntry{std::move(entry.Namespace), std::move(entry.Key),
                                                   std::move(entry.Source), std::move(entry.Translation),
                                                   std::move(entry.OtherFields)});
    }
    return true;
}

bool ArchiveToText(const FLocArchive& archive, std::string& text, std::string& error)
{
    locformat::FArchive converted{archive.Target, archive.Culture, {}};
    converted.Entries.reserve(archive.Entries.size());
    for (const FLocArchiveEntry& entry : archive.Entries)
    {
        converted.Entries.push_back(locformat::FArchiveEntry{entry.Namespace, entry.Key, entry.Source,
                                                             entry.Translation, entry.OtherFields});
    }
    return locformat::ArchiveToJson(converted, text, error);
}
} // namespace host::LocFiles
