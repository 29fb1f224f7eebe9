// The entries a run's log names as not applied: a Warning or Error line holding
// "<Target>/<Culture>/<Name>.archive [<Namespace>/<Key>]: <reason>" (or, for a whole file,
// "<...>.archive: <reason>"), as a translation job writes them for every entry it refused or kept.
#pragma once

#include "LocalizationChanges.h"

#include <map>
#include <string>
#include <vector>

namespace editor
{
struct FParsedNote
{
    std::string Entry; // "Namespace/Key"; empty for the whole file
    std::string Reason;
};
// "Target/Culture" -> the notes on its archive, in the order logged.
using FEntryNotes = std::map<std::string, std::vector<FParsedNote>>;

FEntryNotes ParseEntryNotes(const std::vector<std::string>& logLines);

// Adds the notes on this culture's archive to its changes, with each entry's text as it is
// after the run (none for an entry the archive lacks).
void AttachEntryNotes(const FEntryNotes& notes, const FArchiveTexts& texts, FCultureChanges& culture);
} // namespace editor
