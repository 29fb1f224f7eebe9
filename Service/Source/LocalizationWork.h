// What a task has to do, read from the upload with the shared localization formats: for every
// non-native culture archive, which texts need a translation and how many characters they
// hold; and, once translated, the archive files that go back.
#pragma once

#include "PackageEntry.h"
#include "Provider.h"

#include <LocFormat/TextFiles.h>
#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace lirno::service
{
// Target name to native culture, from the "NativeLang" header; looked up without regard to case.
using NativeCultures = std::vector<std::pair<std::string, std::string>>;

std::optional<NativeCultures> ParseNativeCultures(std::string_view json_text, std::string& error);

struct CultureWork
{
    std::string entry_name; // as uploaded: "Game/de/Game.archive"
    LanguagePair pair;      // native culture to this culture
    locformat::FArchive archive;
    std::vector<std::size_t> pending; // indices into archive.Entries that get a translation
    std::size_t characters = 0;       // of the pending source texts
};

struct WorkPlan
{
    std::vector<CultureWork> cultures;
    std::vector<std::string> targets;
    std::size_t characters = 0;
    std::size_t texts = 0;
};

// Fails with a message for the user when an archive or manifest cannot be read or a target has
// no native culture. With `translate_all` every text is pending, else only those without a
// translation, whose translation was made from an older source text, or whose "Origin" says
// it is pseudo-localization.
std::optional<WorkPlan> PlanWork(const std::vector<PackageEntry>& upload, const NativeCultures& natives,
                                 bool translate_all, std::string& error);

// The archive file for a culture after its translations were filled in.
std::optional<PackageEntry> FinishCulture(const CultureWork& work, std::string& error);
} // namespace lirno::service
