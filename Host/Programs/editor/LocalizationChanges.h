// What a run changed under the project's Content/Localization: the files, and per target and
// culture the texts whose translation changed, was added or was emptied.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace editor
{
struct FTextState
{
    std::string Source;
    std::string Translation;
    std::string Origin; // the archive's mark of where the translation came from, as JSON; may be empty
};

// (namespace, key) -> text
using FArchiveTexts = std::map<std::pair<std::string, std::string>, FTextState>;

// The folder as it is now: a fingerprint of each file and the translations of each archive.
struct FLocalizationSnapshot
{
    std::map<std::string, std::string> Files;        // path below the folder -> size and hash
    std::map<std::string, FArchiveTexts> Archives; // "Target/Culture" -> its texts
};
// A snapshot taken only to be compared with a later one needs the translations alone: the
// sources and origin marks are read from the later one. It is held for the whole run, so it
// stays small.
enum class ESnapshotDetail
{
    TranslationsOnly,
    Everything,
};
// With `visitArchive`, each archive is handed over as it is read ("Target/Culture", texts) and
// not kept in the snapshot.
using FArchiveVisitor = std::function<void(const std::string&, FArchiveTexts&&)>;
FLocalizationSnapshot TakeLocalizationSnapshot(const std::string& localizationDir, ESnapshotDetail detail,
                                               const FArchiveVisitor& visitArchive = {});

struct FTextChange
{
    std::string Namespace;
    std::string Key;
    std::string Source;
    std::string Before;
    std::string After;
    std::string Origin;
};

// An entry the job did not apply, or a whole file it kept, with the reason it gave.
struct FEntryNote
{
    std::string Entry;       // "Namespace/Key"; empty for a whole file
    std::string Source;      // empty when the archive holds no such entry (one the service added)
    std::string Translation; // as it is after the run
    std::string Reason;
};

struct FCultureChanges
{
    std::vector<FTextChange> Texts; // each text whose translation changed, was added or emptied
    std::vector<FEntryNote> Notes;  // each entry or file the job refused or kept, from its log
    std::string Target;
    std::string Culture;
    std::size_t Changed = 0; // a translation replaced by another
    std::size_t Added = 0;   // a text untranslated (or new) before, translated after
    std::size_t Emptied = 0; // a translation removed
    std::size_t Kept = 0;    // translated before and after, unchanged
};

struct FLocalizationChanges
{
    std::vector<FCultureChanges> Cultures; // every archive present after the run
    std::vector<std::string> FilesAdded;
    std::vector<std::string> FilesChanged;
    std::vector<std::string> FilesRemoved;
};
// The folder now against `before`, one archive at a time, so that its texts are never all held
// at once. `listTexts`: also list each changed text (for the page); counting alone needs no
// copies. `withArchive` sees each archive's texts beside its changes while they are at hand.
using FChangesVisitor = std::function<void(const FArchiveTexts&, FCultureChanges&)>;
FLocalizationChanges CompareWithFolder(const FLocalizationSnapshot& before, const std::string& localizationDir,
                                       ESnapshotDetail detail, bool listTexts, const FChangesVisitor& withArchive);

// "Game/es: 18 texts translated, 7 kept; Menus/es: ..." or "no translations changed".
std::string SummaryLine(const FLocalizationChanges& changes);
} // namespace editor
