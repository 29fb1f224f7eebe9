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

const locformat::FArchiveEntry* CurrentTranslation(const locformat::FArchive& archive,
                                                   const locformat::FManifestEntry& text)
{
    const locformat::FArchiveEntry* entry = archive.Find(text.Namespace, text.Key);
    return entry && entry->IsTranslated() && entry->Source == text.Source ? entry : nullptr;
}
} // namespace locstep
