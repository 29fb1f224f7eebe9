#include "LocalizationWork.h"

#include <LocFormat/Origin.h>
#include <Util/AsciiCase.h>
#include <Util/Utf.h>
#include <map>
#include <nlohmann/json.hpp>
#include <set>

namespace lirno::service
{
namespace
{
struct EntryName
{
    std::string target;
    std::string culture; // empty for a manifest
};

// "Target/File" is a manifest, "Target/Culture/File" an archive; anything else (deeper paths,
// empty or ".." parts, backslashes) is not part of a translation package.
std::optional<EntryName> SplitEntryName(const std::string& name)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (true)
    {
        const auto slash = name.find('/', start);
        parts.push_back(name.substr(start, slash == std::string::npos ? std::string::npos : slash - start));
        if (slash == std::string::npos)
            break;
        start = slash + 1;
    }
    for (const std::string& part : parts)
    {
        if (part.empty() || part == "." || part == ".." || part.find('\\') != std::string::npos)
            return std::nullopt;
    }
    if (parts.size() == 2)
        return EntryName{parts[0], ""};
    if (parts.size() == 3)
        return EntryName{parts[0], parts[1]};
    return std::nullopt;
}

const std::string* FindNative(const NativeCultures& natives, const std::string& target)
{
    for (const auto& [name, culture] : natives)
    {
        if (util::EqualsIgnoreCase(name, target))
            return &culture;
    }
    return nullptr;
}

using SourceIndex = std::map<std::pair<std::string, std::string>, const std::string*>;

SourceIndex IndexSources(const locformat::FManifest& manifest)
{
    SourceIndex index;
    for (const auto& entry : manifest.Entries)
        index[{entry.Namespace, entry.Key}] = &entry.Source;
    return index;
}

// Brings the archive in line with the manifest: texts the manifest has and the archive lacks
// are added untranslated, and changed source texts replace the old ones.
void AlignWithManifest(locformat::FArchive& archive, const locformat::FManifest& manifest,
                       std::vector<bool>& source_changed)
{
    std::map<std::pair<std::string, std::string>, std::size_t> present;
    for (std::size_t i = 0; i < archive.Entries.size(); ++i)
        present[{archive.Entries[i].Namespace, archive.Entries[i].Key}] = i;
    source_changed.assign(archive.Entries.size(), false);
    const SourceIndex sources = IndexSources(manifest);
    for (auto& entry : archive.Entries)
    {
        const auto it = sources.find({entry.Namespace, entry.Key});
        if (it != sources.end() && *it->second != entry.Source)
        {
            source_changed[static_cast<std::size_t>(&entry - archive.Entries.data())] = true;
            entry.Source = *it->second;
        }
    }
    for (const auto& entry : manifest.Entries)
    {
        if (present.contains({entry.Namespace, entry.Key}))
            continue;
        archive.Entries.push_back({entry.Namespace, entry.Key, entry.Source, ""});
        source_changed.push_back(false);
    }
}
} // namespace

std::optional<NativeCultures> ParseNativeCultures(std::string_view json_text, std::string& error)
{
    const auto parsed = nlohmann::json::parse(json_text.begin(), json_text.end(), nullptr, false);
    if (parsed.is_discarded() || !parsed.is_object())
    {
        error = "The \"NativeLang\" header is not a JSON object.";
        return std::nullopt;
    }
    NativeCultures natives;
    for (auto it = parsed.begin(); it != parsed.end(); ++it)
    {
        if (!it.value().is_string())
        {
            error = "The \"NativeLang\" header gives no culture name for target " + it.key() + ".";
            return std::nullopt;
        }
        natives.emplace_back(it.key(), it.value().get<std::string>());
    }
    return natives;
}

std::optional<WorkPlan> PlanWork(const std::vector<PackageEntry>& upload, const NativeCultures& natives,
                                 bool translate_all, std::string& error)
{
    // Manifests first, so every archive can be aligned with its target's source texts.
    std::map<std::string, locformat::FManifest> manifests; // by lower-case target name
    for (const PackageEntry& file : upload)
    {
        const auto name = SplitEntryName(file.name);
        if (!name || !name->culture.empty())
            continue;
        locformat::FManifest manifest;
        if (!locformat::ParseManifest(file.bytes, file.name, manifest, error))
            return std::nullopt;
        manifests[util::ToLowerAscii(name->target)] = std::move(manifest);
    }

    WorkPlan plan;
    std::set<std::string> seen;
    for (const PackageEntry& file : upload)
    {
        const auto name = SplitEntryName(file.name);
        if (!name || name->culture.empty())
            continue;
        // One result entry per name: a zip may hold a name twice, the result must not.
        if (!seen.insert(file.name).second)
        {
            error = "The upload holds " + file.name + " twice.";
            return std::nullopt;
        }
        const auto manifest = manifests.find(util::ToLowerAscii(name->target));
        const std::string* native = FindNative(natives, name->target);
        std::string native_culture = native ? *native : "";
        if (native_culture.empty() && manifest != manifests.end())
            native_culture = manifest->second.NativeCulture;
        if (native_culture.empty())
        {
            error = "No native culture is known for target " + name->target + ".";
            return std::nullopt;
        }
        if (util::EqualsIgnoreCase(name->culture, native_culture))
            continue;

        CultureWork work;
        work.entry_name = file.name;
        work.pair = {native_culture, name->culture};
        if (!locformat::ParseArchive(file.bytes, file.name, work.archive, error))
            return std::nullopt;
        std::vector<bool> source_changed(work.archive.Entries.size(), false);
        if (manifest != manifests.end())
            AlignWithManifest(work.archive, manifest->second, source_changed);
        for (std::size_t i = 0; i < work.archive.Entries.size(); ++i)
        {
            const auto& entry = work.archive.Entries[i];
            if (entry.Source.empty())
                continue;
            // Pseudo-localization only stands in for a translation: it is translated again.
            if (translate_all || !entry.IsTranslated() || source_changed[i] ||
                locformat::GetOriginKind(entry) == locformat::ETranslationOrigin::Pseudo)
            {
                work.pending.push_back(i);
                work.characters += util::CountCodePoints(entry.Source);
            }
        }
        plan.characters += work.characters;
        plan.texts += work.pending.size();
        bool known_target = false;
        for (const std::string& target : plan.targets)
            known_target = known_target || target == name->target;
        if (!known_target)
            plan.targets.push_back(name->target);
        plan.cultures.push_back(std::move(work));
    }
    return plan;
}

std::optional<PackageEntry> FinishCulture(const CultureWork& work, std::string& error)
{
    PackageEntry out;
    out.name = work.entry_name;
    if (!locformat::ArchiveToJson(work.archive, out.bytes, error))
        return std::nullopt;
    return out;
}
} // namespace lirno::service
