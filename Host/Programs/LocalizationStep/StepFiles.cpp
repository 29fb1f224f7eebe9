#include "Steps.h"

#include <filesystem>

namespace locstep
{
bool ReadArchiveIfPresent(const FStepConfig& config, const std::string& culture, locformat::FArchive& archive,
                          bool& exists, std::string& error)
{
    const std::filesystem::path path = config.ArchivePath(config.SourceDir, culture);
    std::error_code ec;
    exists = std::filesystem::exists(path, ec);
    if (!exists)
    {
        archive = locformat::FArchive{config.Target, culture, {}};
        return true;
    }
    return locformat::ReadArchive(path.string(), archive, error);
}

FArchiveIndex::FArchiveIndex(const locformat::FArchive& archive)
{
    for (const locformat::FArchiveEntry& entry : archive.Entries)
    {
        Entries.emplace(std::pair<std::string_view, std::string_view>(entry.Namespace, entry.Key), &entry);
    }
}

const locformat::FArchiveEntry* FArchiveIndex::Find(std::string_view ns, std::string_view key) const
{
    const auto found = Entries.find({ns, key});
    return found == Entries.end() ? nullptr : found->second;
}

const locformat::FArchiveEntry* FArchiveIndex::CurrentTranslation(const locformat::FManifestEntry& text) const
{
    const locformat::FArchiveEntry* entry = Find(text.Namespace, text.Key);
    return entry && entry->IsTranslated() && entry->Source == text.Source ? entry : nullptr;
}
} // namespace locstep
