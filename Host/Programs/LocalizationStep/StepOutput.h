// The step's progress lines. The editor reads them through a pipe while the step runs, so every
// line is flushed at once.
#pragma once

#include <cstdio>
#include <string_view>

namespace locstep
{
inline void Progress(std::string_view line)
{
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

inline void Warning(std::string_view line)
{
    std::fputs("Warning: ", stdout);
    Progress(line);
}
} // namespace locstep
