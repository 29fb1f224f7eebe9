// Comma-separated values as string tables and word-count reports use them: RFC 4180 quoting
// (fields in double quotes, doubled quotes inside, line breaks allowed inside quotes), LF or
// CR LF line ends, a leading UTF-8 byte order mark ignored.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace locformat
{
struct FCsvRow
{
    std::size_t Line = 0; // 1-based line the row starts on, for messages
    std::vector<std::string> Fields;
};

// Blank lines are skipped. Fails, naming `name` and the line, on an unterminated quoted field or
// text after a closing quote.
bool ParseCsv(std::string_view text, const std::string& name, std::vector<FCsvRow>& rows, std::string& error);

// One line ending in "\n"; fields are quoted only when they need it.
std::string FormatCsvRow(const std::vector<std::string>& fields);
} // namespace locformat
