#include "StepOutput.h"
#include "Steps.h"

#include "LocFormat/CompiledResource.h"

namespace locstep
{
bool RunCompileText(const FStepConfig& config, std::string& error)
{
    locformat::FManifest manifest;
    if (!locformat::ReadManifest(config.ManifestPath(config.SourceDir).string(), manifest, error))
    {
        return false;
    }
    std::vector<locformat::FCompiledResource> resources;
    for (const std::string& culture : config.Cultures)
    {
        locformat::FArchive archive;
        bool exists = false;
        if (!ReadArchiveIfPresent(config, culture, archive, exists, error))
        {
            return false;
        }
        if (!exists)
        {
            Warning(config.ArchivePath(config.SourceDir, culture).string() + " does not exist; culture " +
                    culture + " gets the source texts");
        }
        // Untranslated texts fall back to the source, so the game never shows an empty string.
        locformat::FCompiledResource resource{culture, {}};
        const FArchiveIndex index(archive);
        std::size_t translated = 0;
        for (const locformat::FManifestEntry& text : manifest.Entries)
        {
            const locformat::FArchiveEntry* current = index.CurrentTranslation(text);
            translated += current ? 1 : 0;
            resource.Texts.push_back({text.Namespace, text.Key, current ? current->Translation : text.Source,
                                      locformat::HashSourceText(text.Source)});
        }
        Progress("Culture " + culture + ": " + std::to_string(translated) + " of " +
                 std::to_string(manifest.Entries.size()) + " texts translated");
        resources.push_back(std::move(resource));
    }
    for (const locformat::FCompiledResource& resource : resources)
    {
        const std::string path = (config.DestinationDir / resource.Culture / config.ResourceName).string();
        if (!locformat::WriteCompiledResource(path, resource, error))
        {
            return false;
        }
        Progress("Wrote " + path);
    }
    return true;
}
} // namespace locstep
