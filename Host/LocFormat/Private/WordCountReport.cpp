#include "LocFormat/WordCountReport.h"

#include "LocFormat/Csv.h"
#include "LocFormat/FileIo.h"

#include <algorithm>

namespace locformat
{
void FWordCountReport::AppendRow(const std::vector<std::pair<std::string, std::string>>& cells)
{
    std::vector<std::string> row(Columns.size());
    for (const auto& [column, value] : cells)
    {
        const auto found = std::find(Columns.begin(), Columns.end(), column);
        if (found != Columns.end())
        {
            row[static_cast<std::size_t>(found - Columns.begin())] = value;
            continue;
        }
        Columns.push_back(column);
        for (std::vector<std::string>& earlier : Rows)
        {
            earlier.resize(Columns.size());
        }
        row.push_back(value);
    }
    Rows.push_back(std::move(row));
}

bool ParseWordCountReport(std::string_view text, const std::string& name, FWordCountReport& report,
                          std::string& error)
{
    report = FWordCountReport{};
    std::vector<FCsvRow> rows;
    if (!ParseCsv(text, name, rows, error))
    {
        return false;
    }
    if (rows.empty())
    {
        return true;
    }
    report.Columns = rows.front().Fields;
    for (std::size_t i = 1; i < rows.size(); ++i)
    {
        std::vector<std::string>& fields = rows[i].Fields;
        if (fields.size() > report.Columns.size())
        {
            error = name + ":" + std::to_string(rows[i].Line) + ": more cells than the header has columns";
            return false;
        }
        fields.resize(report.Columns.size());
        report.Rows.push_back(std::move(fields));
    }
    return true;
}

std::string FormatWordCountReport(const FWordCountReport& report)
{
    std::string text = FormatCsvRow(report.Columns);
    for (const std::vector<std::string>& row : report.Rows)
    {
        text += FormatCsvRow(row);
    }
    return text;
}

bool ReadWordCountReport(const std::string& path, FWordCountReport& report, std::string& error)
{
    std::string text;
    return ReadFileText(path, text, error) && ParseWordCountReport(text, path, report, error);
}

bool WriteWordCountReport(const std::string& path, const FWordCountReport& report, std::string& error)
{
    return WriteFileAtomically(path, FormatWordCountReport(report), error);
}
} // namespace locformat
