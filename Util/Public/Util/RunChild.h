// Runs a program to its end: feeds it standard input, collects its standard output and the
// start of its standard error, and kills it (with all it started) after a time-out.
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace util
{
struct ChildResult
{
    bool started = false;
    bool timed_out = false;
    int exit_code = -1; // -1 when it did not exit normally
    std::string output;
    std::string errors; // the start of standard error, for a log
};

// argv[0] is looked up on PATH. Safe to call from several threads at once.
ChildResult RunChild(const std::vector<std::string>& argv, const std::string& input,
                     std::chrono::milliseconds timeout);
} // namespace util
