// The word-count report of a target: a CSV file with a header line and one row per run.
// Columns: "Date/Time" (UTC, "YYYY-MM-DD HH:MM:SS"), "Source" (words of all source texts), then
// three per culture: one named after it (words of its texts translated by people), "<culture>
// machine" (machine output awaiting review) and "<culture> pseudo" (pseudo-localization), told
// apart by the entries' "Origin". A run with a column that earlier runs lacked adds it; earlier
// rows leave that cell empty.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace locformat
{
inline constexpr std::string_view ReportDateTimeColumn = "Date/Time";
inline constexpr std::string_view ReportSourceColumn = "Source";
inline constexpr std::string_view ReportMachineSuffix = " machine";
inline constexpr std::string_view ReportPseudoSuffix = " pseudo";

struct FWordCountReport
{
    std::vector<std::string> Columns;
    std::vector<std::vector<std::string>> Rows; // each as long as Columns

    // Appends a row; a cell whose column is new adds that column at the end.
    void AppendRow(const std::vector<std::pair<std::string, std::string>>& cells);
};

// Fails, naming `name`, on malformed CSV or a row longer than the header.
bool ParseWordCountReport(std::string_view text, const std::string& name, FWordCountReport& report,
                          std::string& error);
std::string FormatWordCountReport(const FWordCountReport& report);

bool ReadWordCountReport(const std::string& path, FWordCountReport& report, std::string& error);
bool WriteWordCountReport(const std::string& path, const FWordCountReport& report, std::string& error);
} // namespace locformat
