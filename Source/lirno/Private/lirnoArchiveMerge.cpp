#include "lirnoArchiveMerge.h"

#include "lirnoTextChecks.h"

#include <optional>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace lirno
{
namespace
{
std::string EntryId(std::string_view ns, std::string_view key)
{
    std::string id;
    id.reserve(ns.size() + key.size() + 1);
    id.append(ns).push_back('\0');
    id.append(key);
    return id;
}

template <class TEntry> std::unordered_map<std::string, std::size_t> IndexEntries(const std::vector<TEntry>& entries)
{
    std::unordered_map<std::string, std::size_t> index;
    index.reserve(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i)
    {
        index.emplace(EntryId(entries[i].Namespace, entries[i].Key), i);
    }
    return index;
}

bool IsPseudoTranslation(const host::FLocArchiveEntry& entry)
{
    for (const auto& [member, text] : entry.OtherFields)
    {
        if (member == "Origin")
        {
            return text == "\"pseudo\"";
        }
    }
    return false;
}

// Why a returned entry may not replace the uploaded one, or nothing when it may.
std::optional<EApplyNote> RefusalOf(const host::FLocArchiveEntry& uploaded, const host::FLocArchiveEntry& returned,
                                    bool bTranslateAll)
{
    if (returned.Source != uploaded.Source)
    {
        return EApplyNote::ChangedSource;
    }
    if (returned.Translation == uploaded.Translation)
    {
        return std::nullopt;
    }
    // Pseudo-localization only stands in for a translation: it is replaced like a missing one.
    if (!uploaded.Translation.empty() && !IsPseudoTranslation(uploaded))
    {
        if (returned.Translation.empty())
        {
            return EApplyNote::EmptiedTranslation;
        }
        if (!bTranslateAll)
        {
            return EApplyNote::HumanTranslationKept;
        }
    }
    if (!returned.Translation.empty() && !HaveSameMarkers(returned.Source, returned.Translation))
    {
        return EApplyNote::BrokenMarkers;
    }
    return std::nullopt;
}
} // namespace

bool SameEntry(const host::FLocArchiveEntry& a, const host::FLocArchiveEntry& b)
{
    return a.Namespace == b.Namespace && a.Key == b.Key && a.Source == b.Source && a.Translation == b.Translation &&
           a.OtherFields == b.OtherFields;
}

FCheckedArchive CheckReturnedArchive(const host::FLocArchive& uploaded, host::FLocArchive returned, bool bTranslateAll,
                                     const std::string& file, FApplyTally& tally)
{
    FCheckedArchive checked;
    checked.bAllAccepted = returned.Entries.size() == uploaded.Entries.size();
    checked.Archive.Target = uploaded.Target;
    checked.Archive.Culture = uploaded.Culture;
    checked.Archive.Entries.reserve(uploaded.Entries.size());

    const auto uploadedIndex = IndexEntries(uploaded.Entries);
    for (const host::FLocArchiveEntry& entry : returned.Entries)
    {
        if (!uploadedIndex.contains(EntryId(entry.Namespace, entry.Key)))
        {
            tally.Note(EApplyNote::UnknownEntry, file, entry.Namespace, entry.Key);
            checked.bAllAccepted = false;
        }
    }
    auto returnedIndex = IndexEntries(returned.Entries);
    for (const host::FLocArchiveEntry& mine : uploaded.Entries)
    {
        const auto found = returnedIndex.find(EntryId(mine.Namespace, mine.Key));
        if (found == returnedIndex.end())
        {
            tally.Note(EApplyNote::MissingEntry, file, mine.Namespace, mine.Key);
            checked.bAllAccepted = false;
            checked.Archive.Entries.push_back(mine);
            continue;
        }
        host::FLocArchiveEntry& theirs = returned.Entries[found->second];
        if (const auto refusal = RefusalOf(mine, theirs, bTranslateAll))
        {
            const std::string detail =
                *refusal == EApplyNote::BrokenMarkers ? DescribeMarkerDifference(theirs.Source, theirs.Translation) : "";
            tally.Note(*refusal, file, mine.Namespace, mine.Key, detail);
            checked.bAllAccepted = false;
            checked.Archive.Entries.push_back(mine);
            continue;
        }
        if (theirs.Translation != mine.Translation)
        {
            tally.AddApplied(1);
        }
        checked.Archive.Entries.push_back(std::move(theirs));
    }
    return checked;
}

host::FLocArchive MergeLocalEdits(const host::FLocArchive& uploaded, const host::FLocArchive& onDisk,
                                  const host::FLocArchive& checked, const std::string& file, FApplyTally& tally)
{
    host::FLocArchive merged;
    merged.Target = onDisk.Target;
    merged.Culture = onDisk.Culture;
    merged.Entries.reserve(onDisk.Entries.size());

    const auto uploadedIndex = IndexEntries(uploaded.Entries);
    const auto checkedIndex = IndexEntries(checked.Entries);
    for (const host::FLocArchiveEntry& ours : onDisk.Entries)
    {
        const std::string id = EntryId(ours.Namespace, ours.Key);
        const auto base = uploadedIndex.find(id);
        const auto theirs = checkedIndex.find(id);
        const bool bChangedOnDisk =
            base == uploadedIndex.end() || !SameEntry(ours, uploaded.Entries[base->second]);
        if (bChangedOnDisk || theirs == checkedIndex.end())
        {
            const bool bServiceChangedIt = base != uploadedIndex.end() && theirs != checkedIndex.end() &&
                                           !SameEntry(uploaded.Entries[base->second], checked.Entries[theirs->second]) &&
                                           !SameEntry(ours, checked.Entries[theirs->second]);
            if (bServiceChangedIt)
            {
                tally.Note(EApplyNote::LocalEditKept, file, ours.Namespace, ours.Key);
                if (uploaded.Entries[base->second].Translation != checked.Entries[theirs->second].Translation)
                {
                    tally.AddApplied(-1);
                }
            }
            merged.Entries.push_back(ours);
            continue;
        }
        merged.Entries.push_back(checked.Entries[theirs->second]);
    }
    return merged;
}

bool CheckReturnedManifest(const host::FLocManifest& uploaded, const host::FLocManifest& returned,
                           const std::string& file, FApplyTally& tally)
{
    bool bSame = uploaded.Entries.size() == returned.Entries.size();
    const auto returnedIndex = IndexEntries(returned.Entries);
    for (const host::FLocManifestEntry& mine : uploaded.Entries)
    {
        const auto found = returnedIndex.find(EntryId(mine.Namespace, mine.Key));
        if (found == returnedIndex.end())
        {
            tally.Note(EApplyNote::MissingEntry, file, mine.Namespace, mine.Key);
            bSame = false;
        }
        else if (returned.Entries[found->second].Source != mine.Source)
        {
            tally.Note(EApplyNote::ChangedSource, file, mine.Namespace, mine.Key);
            bSame = false;
        }
    }
    const auto uploadedIndex = IndexEntries(uploaded.Entries);
    for (const host::FLocManifestEntry& theirs : returned.Entries)
    {
        if (!uploadedIndex.contains(EntryId(theirs.Namespace, theirs.Key)))
        {
            tally.Note(EApplyNote::UnknownEntry, file, theirs.Namespace, theirs.Key);
            bSame = false;
        }
    }
    return bSame;
}
} // namespace lirno
