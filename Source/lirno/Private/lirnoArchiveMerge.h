// The decisions about one returned localization file, entry by entry, against the version that
// was uploaded (the base) and the one on disk now. Pure functions over parsed files: nothing here
// reads or writes a file.
#pragma once

#include "LocalizationFiles.h"
#include "lirnoApplyTally.h"

#include <string>

namespace lirno
{
struct FCheckedArchive
{
    host::FLocArchive Archive; // the uploaded archive with every accepted answer in it
    bool bAllAccepted = false; // every returned entry passed and none was missing or added
};

// Accepts a returned entry only when its namespace, key and source are those uploaded, an
// existing translation is neither emptied nor (unless `bTranslateAll`) replaced (a translation
// marked "Origin": "pseudo" counts as none), and a new
// translation keeps its source's placeholders and markup. Entries that fail keep their uploaded
// form. The returned archive's target and culture are checked by the caller.
FCheckedArchive CheckReturnedArchive(const host::FLocArchive& uploaded, host::FLocArchive returned, bool bTranslateAll,
                                     const std::string& file, FApplyTally& tally);

// Three-way merge of an archive that changed on disk during the job: an entry changed (or added)
// on disk keeps the disk's version, an entry deleted on disk stays deleted, and an entry the disk
// left as uploaded takes the checked (service) version. Order follows the disk.
host::FLocArchive MergeLocalEdits(const host::FLocArchive& uploaded, const host::FLocArchive& onDisk,
                                  const host::FLocArchive& checked, const std::string& file, FApplyTally& tally);

// A returned manifest is never applied over the project's sources: every difference in its
// entries is noted as a changed source. True when its entries equal the uploaded ones.
bool CheckReturnedManifest(const host::FLocManifest& uploaded, const host::FLocManifest& returned,
                           const std::string& file, FApplyTally& tally);

bool SameEntry(const host::FLocArchiveEntry& a, const host::FLocArchiveEntry& b);
} // namespace lirno
