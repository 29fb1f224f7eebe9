// Whole-file reading and atomic replacement, for the format library's own files.
#pragma once

#include <string>
#include <string_view>

namespace locformat
{
// False, with a message naming the file, when it cannot be opened or read.
bool ReadFileText(const std::string& path, std::string& text, std::string& error);
// Writes a sibling temporary file and renames it over `path`; creates missing parent folders.
bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string& error);
} // namespace locformat
