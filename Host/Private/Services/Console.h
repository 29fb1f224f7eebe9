// The editor's terminal: whole lines on an output stream, and at most one live progress line.
// Log lines, messages and progress come from several threads; one lock keeps lines whole and
// redraws the progress bar below whatever was printed. Every line is printed as visible text
// (see VisibleText.h): what a service or a step says cannot move the cursor or forge a line.
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

    // The process's standard output, line-buffered, redrawn when TakesEscapes says so.
    static FConsole& Standard();
    // Whether the descriptor is a terminal that wants escape codes: not with TERM=dumb (or no
    // TERM), nor with NO_COLOR set.
    static bool TakesEscapes(int fd);

    void WriteLine(std::string_view line);
    // Shows (or replaces) the live progress line, cut to the terminal's width; empty text
    // removes it.
    void SetProgressLine(std::string line);
    bool RedrawsProgress() const { return Redraw; }
    // The output's width in columns now (it follows resizes): the terminal's, else $COLUMNS,
    // else 80.
    std::size_t Columns() const;

private:
    void ClearProgressLocked();
    void DrawProgressLocked();

    std::mutex Mutex;
    std::FILE* Out;
    bool Redraw;
    std::string ProgressLine;
};
} // namespace host
