#include "LocalizationChanges.h"

#include "LocalizationFiles.h"
#include "Paths.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <sstream>
#include <tuple>

namespace fs = std::filesystem;

namespace editor
{

FLocalizationSnapshot TakeLocalizationSnapshot(const std::string& localizationDir, ESnapshotDetail detail,
                                               const FArchiveVisitor& visitArchive)
{
    FLocalizationSnapshot snapshot;
    std::error_code ec;
    // A folder that cannot be read gives what was read so far; the run itself reports why.
    for (fs::recursive_directory_iterator it(localizationDir, ec), end; !ec && it != end; it.increment(ec))
    {
        if (!it->is_regular_file(ec))
        {
            continue;
        }
        std::string text;
        if (!host::File::ReadAllText(it->path().string(), text))
        {
            continue;
        }
        const fs::path relative = it->path().lexically_relative(localizationDir);
        snapshot.Files[relative.generic_string()] =
            std::to_string(text.size()) + ":" + std::to_string(std::hash<std::string>{}(text));
        host::FLocArchive archive;
        std::string error;
        if (it->path().extension() != ".archive" ||
            !host::LocFiles::ParseArchive(text, relative.generic_string(), archive, error))
        {
            continue;
        }
        // Target/Culture/Target.archive: the folders name the target and the culture.
        const fs::path culture = relative.parent_path();
        const std::string name = culture.parent_path().generic_string() + "/" + culture.filename().string();
        FArchiveTexts visited;
        auto& texts = visitArchive ? visited : snapshot.Archives[name];
        for (auto& entry : archive.Entries)
        {
            FTextState state{{}, std::move(entry.Translation), {}};
            if (detail == ESnapshotDetail::Everything)
            {
                state.Source = std::move(entry.Source);
                for (auto& [member, json] : entry.OtherFields)
                {
                    state.Origin = member == "Origin" ? std::move(json) : std::move(state.Origin);
                }
            }
            texts[{std::move(entry.Namespace), std::move(entry.Key)}] = std::move(state);
        }
        if (visitArchive)
        {
            visitArchive(name, std::move(visited));
        }
    }
    return snapshot;
}

namespace
{
FCultureChanges CompareArchive(const std::string& name, const FArchiveTexts& oldTexts, const FArchiveTexts& texts,
                               bool listTexts)
{
    FCultureChanges culture;
    const auto slash = name.rfind('/');
    culture.Target = name.substr(0, slash);
    culture.Culture = name.substr(slash + 1);
    static const std::string Empty;
    for (const auto& [id, state] : texts)
    {
        const auto old = oldTexts.find(id);
        const std::string& was = old == oldTexts.end() ? Empty : old->second.Translation;
        const std::string& translation = state.Translation;
        if (was == translation)
        {
            culture.Kept += translation.empty() ? 0 : 1;
            continue;
        }
        if (listTexts)
        {
            culture.Texts.push_back({id.first, id.second, state.Source, was, translation, state.Origin});
        }
        if (translation.empty())
        {
            ++culture.Emptied;
        }
        else
        {
            ++(was.empty() ? culture.Added : culture.Changed);
        }
    }
    return culture;
}
} // namespace

FLocalizationChanges CompareWithFolder(const FLocalizationSnapshot& before, const std::string& localizationDir,
                                       ESnapshotDetail detail, bool listTexts, const FChangesVisitor& withArchive)
{
    FLocalizationChanges changes;
    static const FArchiveTexts None;
    const FLocalizationSnapshot after = TakeLocalizationSnapshot(
        localizationDir, detail,
        [&](const std::string& name, FArchiveTexts&& texts)
        {
            const auto oldArchive = before.Archives.find(name);
            FCultureChanges culture =
                CompareArchive(name, oldArchive == before.Archives.end() ? None : oldArchive->second, texts, listTexts);
            withArchive(texts, culture);
            changes.Cultures.push_back(std::move(culture));
        });
    // In the order of their names, whatever order the folder listed them in.
    std::sort(changes.Cultures.begin(), changes.Cultures.end(),
              [](const FCultureChanges& a, const FCultureChanges& b)
              { return std::tie(a.Target, a.Culture) < std::tie(b.Target, b.Culture); });
    for (const auto& [path, print] : after.Files)
    {
        const auto old = before.Files.find(path);
        if (old == before.Files.end())
        {
            changes.FilesAdded.push_back(path);
        }
        else if (old->second != print)
        {
            changes.FilesChanged.push_back(path);
        }
    }
    for (const auto& [path, print] : before.Files)
    {
        if (!after.Files.contains(path))
        {
            changes.FilesRemoved.push_back(path);
        }
    }
    return changes;
}

std::string SummaryLine(const FLocalizationChanges& changes)
{
    std::ostringstream line;
    const char* separator = "";
    for (const FCultureChanges& culture : changes.Cultures)
    {
        const std::size_t translated = culture.Added + culture.Changed;
        if (translated + culture.Emptied == 0)
        {
            continue;
        }
        line << separator << culture.Target << "/" << culture.Culture << ": " << translated
             << " texts translated, " << culture.Kept << " kept";
        if (culture.Emptied > 0)
        {
            line << ", " << culture.Emptied << " emptied";
        }
        separator = "; ";
    }
    const std::string text = line.str();
    return text.empty() ? "no translations changed" : text;
}
} // namespace editor
