// A progress dialog in the terminal: a bar redrawn in place on a terminal, or plain lines at
// each tenth of the way otherwise. Closed when released.
#pragma once

#include "Console.h"
#include "HostApi.h"
#include "UserInterface.h"

#include <string>

namespace host
{
class HOST_API FTerminalProgress final : public IProgressDialog
{
public:
    FTerminalProgress(FConsole& console, double total, std::string title);
    ~FTerminalProgress() override;

    void Advance(double amount) override;
    // Shown fraction, 0..1.
    double Fraction() const;

private:
    void Show();

    FConsole& Console;
    double Total;
    double Done = 0;
    std::string Title;
    int LastStep = -1; // the last tenth printed as a plain line
};
} // namespace host
