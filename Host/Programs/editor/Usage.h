// Command-line helpers that make a mistyped command line say what is wrong in one line.
#pragma once

#include <CLI/CLI.hpp>

#include <string>
#include <vector>

namespace editor
{
// Checks that a value is a number (a whole one when `whole`) within [min, max]; the message
// names the value and the range in plain words instead of the type's limits.
CLI::Validator NumberIn(double min, double max, bool whole);

// The subcommand the command line names, when it names one that does not exist: the first word
// that is neither an option nor the value of a global option in `valueOptions`. Empty when the
// command line names a known subcommand or none.
std::string UnknownCommand(const std::vector<std::string>& arguments, const std::vector<std::string>& known,
                           const std::vector<std::string>& valueOptions);

// "unknown command 'rnu' (did you mean 'run'?)", the hint only for a close known name.
std::string UnknownCommandMessage(const std::string& word, const std::vector<std::string>& known);
} // namespace editor
