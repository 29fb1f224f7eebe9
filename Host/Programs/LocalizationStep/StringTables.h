// String tables: CSV files whose header names the columns "Namespace", "Key" and "Source"
// (any order, letter case ignored, other columns such as "Comment" ignored). Without a
// "Namespace" column the file's name without extension is the namespace.
#pragma once

#include "StepConfig.h"

#include "LocFormat/TextFiles.h"

#include <string>
#include <vector>

namespace locstep
{
// Reads every configured string table (folders are searched for *.csv, in path order) into
// manifest entries, in reading order. The project's localization folder and the target's own
// folders are never searched, so report files and other tools' files there are not taken for
// string tables. Fails, naming the file (and line), on the first fault.
bool GatherStringTables(const FStepConfig& config, std::vector<locformat::FManifestEntry>& entries,
                        std::string& error);
} // namespace locstep
