#include "TerminalProgress.h"

#include "VisibleText.h"

#include <algorithm>
#include <cmath>

#include <fmt/format.h>

namespace host
{
FTerminalProgress::FTerminalProgress(FConsole& console, double total, std::string title)
    : Console(console), Total(total), Title(std::move(title))
{
    Show();
}

FTerminalProgress::~FTerminalProgress()
{
    // A closed dialog leaves nothing behind on the terminal.
    Console.SetProgressLine({});
}

double FTerminalProgress::Fraction() const
{
    if (!(Total > 0))
    {
        return 0;
    }
    return std::clamp(Done / Total, 0.0, 1.0);
}

void FTerminalProgress::Advance(double amount)
{
    // The running sum is kept unclamped so that a later negative step is measured from it.
    Done += amount;
    Show();
}

void FTerminalProgress::Show()
{
    const double fraction = Fraction();
    const int percent = static_cast<int>(std::floor(fraction * 100));
    if (Console.RedrawsProgress())
    {
        // "[###   ] 42% Title" in one column less than the terminal's width (asked at every
        // redraw, so a resize is followed): the bar takes what the title leaves, between 10
        // and 40 columns, and a long title is cut.
        constexpr std::size_t Frame = 8; // "[", "] ", "100%", " "
        const std::size_t columns = std::max<std::size_t>(Console.Columns(), 2) - 1;
        const std::size_t room = columns > Frame ? columns - Frame : 0;
        const std::size_t title = DisplayWidth(Title);
        const std::size_t width = std::clamp<std::size_t>(room > title ? room - title : 0, std::min<std::size_t>(10, room), 40);
        const auto filled = static_cast<std::size_t>(fraction * static_cast<double>(width));
        Console.SetProgressLine(fmt::format("[{}{}] {:>3}% {}", std::string(filled, '#'),
                                            std::string(width - filled, ' '), percent,
                                            FitToWidth(Title, room > width ? room - width : 0)));
        return;
    }
    const int step = percent / 10;
    if (step != LastStep)
    {
        LastStep = step;
        Console.WriteLine(fmt::format("progress: {} {}%", Title, percent));
    }
}
} // namespace host
