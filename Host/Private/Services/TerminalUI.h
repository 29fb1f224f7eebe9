// The editor's user interface in a terminal. Interactive use prompts on the terminal;
// non-interactive use (no terminal on standard input, or an answer given on the command line)
// prints every message and question as one line and answers questions itself.
#pragma once

#include "Console.h"
#include "HostApi.h"
#include "UserInterface.h"

#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace host
{
struct FTerminalUIOptions
{
    bool Interactive = false;
    bool DefaultAnswer = false; // the answer to every question when not interactive
    std::FILE* Input = stdin;   // where interactive answers are read
    // Opens a web address after it has been printed; by default xdg-open where there is a
    // display.
    std::function<bool(const std::string&)> Browser;
    std::string LogFilePath; // shown when the output log is brought up
    bool Quiet = false;      // no progress and no tab lines: messages and questions only
};

// What the user was shown during a run, for its report.
struct FDialogRecord
{
    std::string Kind; // "message" or "question"
    std::string Text;
    std::string Answer; // "yes" or "no" for a question
};
struct FPhaseRecord
{
    std::string Title;        // the progress dialog's title
    double Seconds = -1;      // how long it was open; -1 while it still is
};

// What a run showed, shared with the dialogs that close later; a run that is interrupted
// reads it from another thread, so every access takes the lock.
class HOST_API FRunRecords
{
public:
    void AddDialog(FDialogRecord record);
    std::size_t OpenPhase(std::string title);
    void ClosePhase(std::size_t index, double seconds);
    std::vector<FDialogRecord> Dialogs() const;
    std::vector<FPhaseRecord> Phases() const;

private:
    mutable std::mutex Mutex;
    std::vector<FDialogRecord> DialogRecords;
    std::vector<FPhaseRecord> PhaseRecords;
};

class HOST_API FTerminalUI final : public IUserInterface
{
public:
    FTerminalUI(FConsole& console, FTerminalUIOptions options);

    void ShowMessage(const std::string& text) override;
    bool AskYesNo(const std::string& text) override;
    void OpenUrl(const std::string& url) override;
    std::shared_ptr<IProgressDialog> OpenProgress(double total, const FText& title) override;
    void ShowTab(const std::string& tabId) override;
    bool IsApplicationRunning() const override { return false; }
    void ReloadTextureResources() override {}

    // Whether the output log has been brought up during this run.
    bool WasOutputLogShown() const { return OutputLogShown; }
    // Safe to call from any thread.
    std::vector<FDialogRecord> Dialogs() const { return Records->Dialogs(); }
    std::vector<FPhaseRecord> Phases() const { return Records->Phases(); }

private:
    std::string ReadAnswerLine();

    FConsole& Console;
    FTerminalUIOptions Options;
    bool OutputLogShown = false;
    std::shared_ptr<FRunRecords> Records = std::make_shared<FRunRecords>();
};

// xdg-open for http and https addresses when a display is available; false otherwise.
HOST_API bool OpenInSystemBrowser(const std::string& url);
} // namespace host
