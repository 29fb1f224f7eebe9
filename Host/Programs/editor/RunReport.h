// The report of one editor run for machines (--report FILE): JSON as Docs/RunReport.schema.json
// describes it.
#pragma once

#include "LocalizationChanges.h"

#include <string>
#include <vector>

namespace host
{
class FEditorHost;
}

namespace editor
{
struct FRunFacts
{
    std::string CommandLine;
    std::string Started; // ISO 8601, UTC
    std::string Ended;
    int ExitStatus = 0;
    std::string Meaning;
    FLocalizationChanges Changes;
};

// The time now as "2026-12-08T12:47:51Z".
std::string UtcNow();

// Writes the report; false (and `error` set) when the file cannot be written.
bool WriteRunReport(const std::string& path, const FRunFacts& facts, host::FEditorHost& host,
                    std::string& error);
} // namespace editor
