// Runs the editor with its console on a pipe, stamping every line as it arrives and sampling
// the editor's CPU time and peak memory from /proc at chosen lines.
#pragma once

#include <string>
#include <vector>

namespace jobbench
{
struct ConsoleLine
{
    double seconds = 0; // since the editor started
    std::string text;
    double cpu_seconds = 0;   // the editor's own user + system time at that moment
    long peak_memory_kib = 0; // its resident high-water mark (VmHWM) at that moment
};

struct EditorRunResult
{
    bool started = false;
    int exit_code = -1;
    std::vector<ConsoleLine> lines;
};

EditorRunResult RunEditor(const std::vector<std::string>& argv);

// The first line at or after `from` that contains `needle`; lines.size() when there is none.
std::size_t FindLine(const std::vector<ConsoleLine>& lines, const std::string& needle, std::size_t from = 0);
// The last line that contains `needle`; lines.size() when there is none.
std::size_t FindLastLine(const std::vector<ConsoleLine>& lines, const std::string& needle);
} // namespace jobbench
