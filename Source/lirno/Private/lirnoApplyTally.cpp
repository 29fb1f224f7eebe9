#include "lirnoApplyTally.h"

#include <array>
#include <iterator>
#include <utility>

namespace lirno
{
namespace
{
struct FNoteText
{
    EApplyNote Kind;
    const char* Reason;  // for one note in the log
    const char* Counted; // for the summary, after a count
};

constexpr std::array NoteTexts{
    FNoteText{EApplyNote::LocalEditKept, "changed in the project during the translation; the local value is kept",
              "local edits kept"},
    FNoteText{EApplyNote::UnreadableFile, "the returned file cannot be read; the local file is kept",
              "unreadable files"},
    FNoteText{EApplyNote::WrongTargetOrCulture,
              "the returned file names another target or culture than its path; the local file is kept",
              "files of another target or culture"},
    FNoteText{EApplyNote::ChangedSource, "the service changed the namespace, key or source text; the local entry is kept",
              "changed source texts"},
    FNoteText{EApplyNote::MissingEntry, "the service dropped this entry; the local entry is kept", "dropped entries"},
    FNoteText{EApplyNote::UnknownEntry, "the service added an entry that was not uploaded; it is left out",
              "unknown entries"},
    FNoteText{EApplyNote::HumanTranslationKept,
              "the service replaced an existing translation while TranslateAll is off; the existing translation is kept",
              "existing translations kept"},
    FNoteText{EApplyNote::EmptiedTranslation, "the service emptied an existing translation; the existing translation is kept",
              "emptied translations"},
    FNoteText{EApplyNote::BrokenMarkers,
              "the translation's placeholders or markup differ from the source's; the entry is not applied",
              "broken placeholders or markup"},
    FNoteText{EApplyNote::ReservedName, "the entry is named like one of the plug-in's own files; it is refused",
              "entries named like the plug-in's files"},
    FNoteText{EApplyNote::OutsideFolder, "the entry's name leads out of the localization folder; it is refused",
              "entries outside the localization folder"},
};

const FNoteText& TextOf(EApplyNote kind)
{
    for (const FNoteText& text : NoteTexts)
    {
        if (text.Kind == kind)
        {
            return text;
        }
    }
    return NoteTexts.front();
}
} // namespace

void FApplyTally::Note(EApplyNote kind, std::string file, std::string ns, std::string key, std::string detail)
{
    Notes.push_back(FApplyNote{kind, std::move(file), std::move(ns), std::move(key), std::move(detail)});
}

void FApplyTally::Append(FApplyTally&& other)
{
    Applied += other.Applied;
    Notes.insert(Notes.end(), std::make_move_iterator(other.Notes.begin()), std::make_move_iterator(other.Notes.end()));
}

std::size_t FApplyTally::Count(EApplyNote kind) const
{
    std::size_t count = 0;
    for (const FApplyNote& note : Notes)
    {
        count += note.Kind == kind ? 1 : 0;
    }
    return count;
}

std::string FApplyTally::DescribeRefusals() const
{
    std::string text;
    for (const FNoteText& kind : NoteTexts)
    {
        const std::size_t count = kind.Kind == EApplyNote::LocalEditKept ? 0 : Count(kind.Kind);
        if (count > 0)
        {
            text += (text.empty() ? "" : ", ") + std::to_string(count) + " " + kind.Counted;
        }
    }
    return text;
}

std::string FApplyTally::Describe(const FApplyNote& note)
{
    std::string text = note.File;
    if (!note.Namespace.empty() || !note.Key.empty())
    {
        text += " [" + note.Namespace + "/" + note.Key + "]";
    }
    text += ": ";
    text += TextOf(note.Kind).Reason;
    if (!note.Detail.empty())
    {
        text += " (" + note.Detail + ")";
    }
    return text;
}
} // namespace lirno
