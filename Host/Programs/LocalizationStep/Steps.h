// The three steps. Each checks everything it reads before it writes anything, and fails with a
// message naming the file or value at fault.
#pragma once

#include "StepConfig.h"

#include "LocFormat/TextFiles.h"

#include <map>
#include <string>
#include <string_view>
#include <utility>

namespace locstep
{
bool RunGatherText(const FStepConfig& config, std::string& error);
bool RunCompileText(const FStepConfig& config, std::string& error);
bool RunWordCountReport(const FStepConfig& config, std::string& error);

// A culture's archive in the source folder; a missing file gives an empty archive and
// `exists` false, a malformed one fails.
bool ReadArchiveIfPresent(const FStepConfig& config, const std::string& culture, locformat::FArchive& archive,
                          bool& exists, std::string& error);

// Lookup of an archive's entries by namespace and key, so that large targets are not walked once
// per text. The archive must outlive it and stay unchanged.
class FArchiveIndex
{
public:
    explicit FArchiveIndex(const locformat::FArchive& archive);
    const locformat::FArchiveEntry* Find(std::string_view ns, std::string_view key) const;

    // The translation of a manifest text that is still current: translated, and made for the
    // manifest's source text. Nothing otherwise.
    const locformat::FArchiveEntry* CurrentTranslation(const locformat::FManifestEntry& text) const;

private:
    std::map<std::pair<std::string_view, std::string_view>, const locformat::FArchiveEntry*> Entries;
};
} // namespace locstep
