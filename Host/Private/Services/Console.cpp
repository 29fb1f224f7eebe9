#include "Console.h"

#include <unistd.h>

namespace host
{
FConsole::FConsole(std::FILE* out, bool redraw) : Out(out), Redraw(redraw) {}

FConsole& FConsole::Standard()
{
    static FConsole console = []
    {
        // Line buffering keeps our lines in order with anything a reader of the pipe sees.
        std::setvbuf(stdout, nullptr, _IOLBF, 0);
        return FConsole(stdout, ::isatty(STDOUT_FILENO) == 1);
    }();
    return console;
}

void FConsole::WriteLine(std::string_view line)
{
    std::lock_guard lock(Mutex);
    ClearProgressLocked();
    std::fwrite(line.data(), 1, line.size(), Out);
    std::fputc('\n', Out);
    DrawProgressLocked();
    std::fflush(Out);
}

void FConsole::SetProgressLine(std::string line)
{
    std::lock_guard lock(Mutex);
    if (!Redraw)
    {
        return;
    }
    ClearProgressLocked();
    ProgressLine = std::move(line);
    if (ProgressLine.empty())
    {
        std::fflush(Out);
        return;
    }
    DrawProgressLocked();
    std::fflush(Out);
}

void FConsole::ClearProgressLocked()
{
    if (Redraw && !ProgressLine.empty())
    {
        std::fputs("\r\033[K", Out);
    }
}

void FConsole::DrawProgressLocked()
{
    if (Redraw && !ProgressLine.empty())
    {
        std::fputs(ProgressLine.c_str(), Out);
    }
}
} // namespace host
