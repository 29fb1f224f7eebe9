#include "StepOutput.h"
#include "Steps.h"
#include "StringTables.h"

#include "LocFormat/Origin.h"

namespace locstep
{
namespace
{
struct FArchiveChanges
{
    std::size_t Translated = 0;
    std::size_t Added = 0;
    std::size_t Outdated = 0;
    std::size_t Removed = 0;
};

// The culture's archive brought up to the manifest: translations of unchanged texts kept, new
// texts untranslated, texts gone from the sources dropped. A text whose source changed loses
// its translation, which was made for the old text. The native culture's translations are the
// sources themselves.
locformat::FArchive UpdateArchive(const locformat::FManifest& manifest, const locformat::FArchive& existing,
                                  const std::string& culture, bool native, FArchiveChanges& changes)
{
    locformat::FArchive updated{manifest.Target, culture, {}};
    const FArchiveIndex index(existing);
    std::size_t kept = 0;
    for (const locformat::FManifestEntry& text : manifest.Entries)
    {
        locformat::FArchiveEntry entry{text.Namespace, text.Key, text.Source, {}};
        const locformat::FArchiveEntry* earlier = index.Find(text.Namespace, text.Key);
        if (earlier)
        {
            ++kept;
            // Members the steps do not interpret belong to whoever wrote them: kept as they are.
            entry.OtherFields = earlier->OtherFields;
        }
        if (native)
        {
            entry.Translation = text.Source;
        }
        else if (earlier && earlier->Source == text.Source)
        {
            entry.Translation = earlier->Translation;
        }
        else if (earlier && earlier->IsTranslated())
        {
            ++changes.Outdated;
        }
        if (native || !earlier || earlier->Source != text.Source)
        {
            // The mark of where a translation came from goes with that translation.
            locformat::SetOrigin(entry, "");
        }
        if (!earlier)
        {
            ++changes.Added;
        }
        if (entry.IsTranslated())
        {
            ++changes.Translated;
        }
        updated.Entries.push_back(std::move(entry));
    }
    changes.Removed = existing.Entries.size() - kept;
    return updated;
}
} // namespace

bool RunGatherText(const FStepConfig& config, std::string& error)
{
    locformat::FManifest manifest{config.Target, config.NativeCulture, {}};
    if (!GatherStringTables(config, manifest.Entries, error))
    {
        return false;
    }
    Progress("Gathered " + std::to_string(manifest.Entries.size()) + " texts for target " + config.Target);

    // Every archive is read and checked before anything is written, so a broken archive leaves
    // the target's files as they were.
    std::vector<locformat::FArchive> archives;
    for (const std::string& culture : config.Cultures)
    {
        locformat::FArchive existing;
        bool exists = false;
        if (!ReadArchiveIfPresent(config, culture, existing, exists, error))
        {
            return false;
        }
        FArchiveChanges changes;
        archives.push_back(
            UpdateArchive(manifest, existing, culture, culture == config.NativeCulture, changes));
        Progress("Culture " + culture + (exists ? "" : " (new archive)") + ": " +
                 std::to_string(changes.Translated) + " of " + std::to_string(manifest.Entries.size()) +
                 " translated, " + std::to_string(changes.Added) + " new, " +
                 std::to_string(changes.Removed) + " removed, " + std::to_string(changes.Outdated) +
                 " outdated by a changed source");
    }

    const std::string manifestPath = config.ManifestPath(config.DestinationDir).string();
    if (!locformat::WriteManifest(manifestPath, manifest, error))
    {
        return false;
    }
    Progress("Wrote " + manifestPath);
    for (const locformat::FArchive& archive : archives)
    {
        const std::string path = config.ArchivePath(config.DestinationDir, archive.Culture).string();
        if (!locformat::WriteArchive(path, archive, error))
        {
            return false;
        }
        Progress("Wrote " + path);
    }
    return true;
}
} // namespace locstep
