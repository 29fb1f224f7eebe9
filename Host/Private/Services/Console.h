// The editor's terminal: whole lines on an output stream, and at most one live progress line.
// Log lines, messages and progress come from several threads; one lock keeps lines whole and
// redraws the progress bar below whatever was printed.
#pragma once

#include "HostApi.h"
#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

namespace host
{
class HOST_API FConsole
{
public:
    // `redraw` chooses a bar redrawn in place (a terminal) over plain progress lines.
    FConsole(std::FILE* out, bool redraw);

    // The process's standard output, line-buffered, redrawn when it is a terminal.
    static FConsole& Standard();

    void WriteLine(std::string_view line);
    // Shows (or replaces) the live progress line; empty text removes it.
    void SetProgressLine(std::string line);
    bool RedrawsProgress() const { return Redraw; }

private:
    void ClearProgressLocked();
    void DrawProgressLocked();

    std::mutex Mutex;
    std::FILE* Out;
    bool Redraw;
    std::string ProgressLine;
};
} // namespace host
