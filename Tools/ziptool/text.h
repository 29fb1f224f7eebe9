// Command-line text is UTF-8; the engine takes UTF-16.
#pragma once

#include "zip.h"

#include <string>

namespace ziptool
{
std::u16string widen(const std::string& text);
std::string narrow(const char16_t* text);
// "MESSAGE (0xCODE)" for a writer or a reader result.
std::string describe_writer_result(ZipResult code);
std::string describe_reader_result(ZipResult code);
} // namespace ziptool
