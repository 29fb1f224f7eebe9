// The entries a run's log names as not applied: a Warning or Error line holding
// "<Target>/<Culture>/<Name>.archive [<Namespace>/<Key>]: <reason>" (or, for a whole file,
// "<...>.archive: <reason>"), as a translation job writes them for every entry it refused or kept.
#pragma once

#include "LocalizationChanges.h"

#include <string>
#include <vector>

namespace editor
{
// Adds each such line to the culture it names, with the entry's text as it is after the run;
// lines naming an archive that is not there are left out.
void AttachEntryNotes(const std::vector<std::string>& logLines, const FLocalizationSnapshot& after,
                      FLocalizationChanges& changes);
} // namespace editor
