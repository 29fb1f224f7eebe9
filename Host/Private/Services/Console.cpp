#include "Console.h"

#include "VisibleText.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <sys/ioctl.h>
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
        return FConsole(stdout, TakesEscapes(STDOUT_FILENO));
    }();
    return console;
}

bool FConsole::TakesEscapes(int fd)
{
    const char* term = std::getenv("TERM");
    const char* noColor = std::getenv("NO_COLOR");
    return ::isatty(fd) == 1 && term && *term && std::strcmp(term, "dumb") != 0 && !(noColor && *noColor);
}

std::size_t FConsole::Columns() const
{
    winsize size{};
    if (::ioctl(::fileno(Out), TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
    {
        return size.ws_col;
    }
    if (const char* columns = std::getenv("COLUMNS"))
    {
        const long value = std::strtol(columns, nullptr, 10);
        if (value > 0 && value < 10000)
        {
            return static_cast<std::size_t>(value);
        }
    }
    return 80;
}

void FConsole::WriteLine(std::string_view line)
{
    std::lock_guard lock(Mutex);
    const std::string text = VisibleText(line);
    ClearProgressLocked();
    std::fwrite(text.data(), 1, text.size(), Out);
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
    // One column short of the width: a line that fills it wraps on some terminals, and each
    // redraw would then leave a stale copy above.
    const std::size_t columns = Columns();
    std::replace(line.begin(), line.end(), '\n', ' ');
    ProgressLine = FitToWidth(VisibleText(line), columns > 1 ? columns - 1 : 1);
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
