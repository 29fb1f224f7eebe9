#include "TerminalProgress.h"

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
    if (Console.RedrawsProgress())
    {
        // Leave the final state of the bar in the scroll-back.
        const std::string last = fmt::format("[{}] {}%", Title, static_cast<int>(Fraction() * 100));
        Console.SetProgressLine({});
        Console.WriteLine(last);
    }
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
        constexpr int Width = 30;
        const int filled = static_cast<int>(fraction * Width);
        Console.SetProgressLine(fmt::format("[{}{}] {}% {}", std::string(filled, '#'),
                                            std::string(Width - filled, ' '), percent, Title));
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
