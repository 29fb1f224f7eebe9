#include "TerminalUI.h"

#include "StringUtil.h"
#include "TerminalProgress.h"

#include <Util/ChildProcess.h>

#include <chrono>
#include <cstdlib>

namespace host
{
namespace
{
bool IsWebAddress(const std::string& url)
{
    return StartsWithIgnoreCase(url, "http://") || StartsWithIgnoreCase(url, "https://");
}
} // namespace

bool OpenInSystemBrowser(const std::string& url)
{
    // Addresses come from a remote service: only web addresses go to the desktop's opener,
    // which would otherwise also open local files and programs.
    if (!IsWebAddress(url) || (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")))
    {
        return false;
    }
    util::SpawnOptions options;
    options.search_path = true;
    const std::optional<util::Child> opener = util::Spawn({"xdg-open", url}, options);
    return opener && util::Wait(opener->pid).exit_code == 0;
}

void FRunRecords::AddDialog(FDialogRecord record)
{
    std::lock_guard lock(Mutex);
    DialogRecords.push_back(std::move(record));
}

std::size_t FRunRecords::OpenPhase(std::string title)
{
    std::lock_guard lock(Mutex);
    PhaseRecords.push_back({std::move(title), -1});
    return PhaseRecords.size() - 1;
}

void FRunRecords::ClosePhase(std::size_t index, double seconds)
{
    std::lock_guard lock(Mutex);
    PhaseRecords.at(index).Seconds = seconds;
}

std::vector<FDialogRecord> FRunRecords::Dialogs() const
{
    std::lock_guard lock(Mutex);
    return DialogRecords;
}

std::vector<FPhaseRecord> FRunRecords::Phases() const
{
    std::lock_guard lock(Mutex);
    return PhaseRecords;
}

FTerminalUI::FTerminalUI(FConsole& console, FTerminalUIOptions options)
    : Console(console), Options(std::move(options))
{
    if (!Options.Browser)
    {
        Options.Browser = &OpenInSystemBrowser;
    }
}

std::string FTerminalUI::ReadAnswerLine()
{
    std::string line;
    int c = 0;
    while ((c = std::fgetc(Options.Input)) != EOF && c != '\n')
    {
        line += static_cast<char>(c);
    }
    if (c == EOF && line.empty())
    {
        return "\x04"; // end of input: no more answers will come
    }
    return std::string(Trim(line));
}

void FTerminalUI::ShowMessage(const std::string& text)
{
    // Printed, never waited on: a run that ends with a message must not sit waiting for a key.
    Console.WriteLine("message: " + text);
    Records->AddDialog({"message", text, {}});
}

bool FTerminalUI::AskYesNo(const std::string& text)
{
    Console.WriteLine("question: " + text);
    bool answer = Options.DefaultAnswer;
    if (Options.Interactive)
    {
        // The capital letter is what an empty line (Enter) answers. Each round reads one line,
        // so input runs out at some point if nothing else ends the loop.
        const std::string prompt = Options.DefaultAnswer ? "(answer y or n) [Y/n]" : "(answer y or n) [y/N]";
        for (;;)
        {
            Console.WriteLine(prompt);
            const std::string line = ReadAnswerLine();
            if (line == "\x04" || line.empty())
            {
                break; // Enter, or the terminal closed: the default answer
            }
            if (EqualsIgnoreCase(line, "y") || EqualsIgnoreCase(line, "yes"))
            {
                answer = true;
                break;
            }
            if (EqualsIgnoreCase(line, "n") || EqualsIgnoreCase(line, "no"))
            {
                answer = false;
                break;
            }
        }
    }
    Console.WriteLine(answer ? "answer: yes" : "answer: no");
    Records->AddDialog({"question", text, answer ? "yes" : "no"});
    return answer;
}

void FTerminalUI::OpenUrl(const std::string& url)
{
    // Printed in every case, so a run's output shows what was opened.
    Console.WriteLine("open: " + url);
    Options.Browser(url);
}

std::shared_ptr<IProgressDialog> FTerminalUI::OpenProgress(double total, const FText& title)
{
    // Times the dialog for the run's report; shows it unless quiet.
    struct FTimedProgress final : IProgressDialog
    {
        std::shared_ptr<FRunRecords> Records;
        std::size_t Phase = 0;
        std::unique_ptr<IProgressDialog> Shown;
        std::chrono::steady_clock::time_point Start = std::chrono::steady_clock::now();
        ~FTimedProgress() override
        {
            Records->ClosePhase(Phase,
                                std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count());
        }
        void Advance(double amount) override
        {
            if (Shown)
            {
                Shown->Advance(amount);
            }
        }
    };
    auto dialog = std::make_shared<FTimedProgress>();
    dialog->Records = Records;
    dialog->Phase = Records->OpenPhase(title.ToString());
    if (!Options.Quiet)
    {
        dialog->Shown = std::make_unique<FTerminalProgress>(Console, total, title.ToString());
    }
    return dialog;
}

void FTerminalUI::ShowTab(const std::string& tabId)
{
    if (tabId == "OutputLog")
    {
        OutputLogShown = true;
        if (!Options.Quiet)
        {
            Console.WriteLine("output log: " + (Options.LogFilePath.empty() ? std::string("(console only)")
                                                                            : Options.LogFilePath));
        }
        return;
    }
    if (!Options.Quiet)
    {
        Console.WriteLine("tab: " + tabId);
    }
}
} // namespace host
