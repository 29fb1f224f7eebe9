// What applying a returned package did with each answer of the service: how many translations
// went in, and every entry or file that was refused or kept as it was, with the reason.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace lirno
{
enum class EApplyNote
{
    LocalEditKept,        // changed on disk during the job: the disk value stays
    UnreadableFile,       // the returned file does not parse
    WrongTargetOrCulture, // the returned file names another target or culture than its path
    ChangedSource,        // namespace, key or source text differs from the upload
    MissingEntry,         // an uploaded entry is absent from the returned file
    UnknownEntry,         // a returned entry that was never uploaded
    HumanTranslationKept, // a translation present at upload was replaced while TranslateAll is off
    EmptiedTranslation,   // a translation present at upload came back empty
    BrokenMarkers,        // placeholders or markup differ from the source's
    ReservedName,         // an entry named like one of the plug-in's own files
    OutsideFolder,        // an entry whose name leads out of the localization folder
};

struct FApplyNote
{
    EApplyNote Kind;
    std::string File;
    std::string Namespace;
    std::string Key;
    std::string Detail;
};

class FApplyTally
{
public:
    void Note(EApplyNote kind, std::string file, std::string ns = {}, std::string key = {}, std::string detail = {});
    void AddApplied(std::ptrdiff_t count) { Applied += count; }
    // Takes over what another tally counted, after what this one has.
    void Append(FApplyTally&& other);

    std::ptrdiff_t AppliedTranslations() const { return Applied; }
    std::size_t Count(EApplyNote kind) const;
    std::size_t LocalEditsKept() const { return Count(EApplyNote::LocalEditKept); }
    std::size_t RefusedAnswers() const { return Notes.size() - LocalEditsKept(); }
    bool HasNotes() const { return !Notes.empty(); }
    const std::vector<FApplyNote>& AllNotes() const { return Notes; }

    // "12 changed source texts, 3 broken placeholders or markup": the refusals by kind.
    std::string DescribeRefusals() const;
    // The log line of one note: file, namespace/key and the reason.
    static std::string Describe(const FApplyNote& note);

private:
    std::ptrdiff_t Applied = 0;
    std::vector<FApplyNote> Notes;
};
} // namespace lirno
