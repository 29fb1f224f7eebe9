// Runs a program as a child process, feeds it standard input and collects its standard
// output, with a time-out after which the child is killed.
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace lirno::service
{
struct ChildResult
{
    bool started = false;
    bool timed_out = false;
    int exit_code = -1; // -1 when it did not exit normally
    std::string output;
    std::string errors; // the start of standard error, for the log
};

// argv[0] is looked up on PATH. Safe to call from several threads at once.
ChildResult RunChild(const std::vector<std::string>& argv, const std::string& input,
                     std::chrono::milliseconds timeout);
} // namespace lirno::service
