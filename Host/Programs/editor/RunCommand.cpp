#include "Commands.h"
#include "EntryNotes.h"
#include "RunReport.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <functional>
#include <mutex>
#include <pthread.h>
#include <thread>
#include <unistd.h>

namespace editor
{
namespace
{
// The guard's own signal to stop watching.
constexpr int StopSignal = SIGUSR2;

sigset_t GuardedSignals()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, StopSignal);
    return set;
}

// Watches a run from its own thread and ends the process, wherever the editor is, when the time
// is up (a step process or a background task that never ends must not keep a run going
// forever) or when SIGINT or SIGTERM arrives. Plug-in code may still be running on other
// threads, so the end is an immediate exit after the steps are stopped and the run's outcome
// (log line, summary, report) is recorded.
class FRunGuard
{
public:
    // Blocks the signals before any other thread exists, so that only the guard receives them.
    explicit FRunGuard(double seconds)
    {
        const sigset_t set = GuardedSignals();
        ::pthread_sigmask(SIG_BLOCK, &set, nullptr);
        Thread = std::thread([this, seconds] { Watch(seconds); });
    }
    ~FRunGuard()
    {
        ::pthread_kill(Thread.native_handle(), StopSignal);
        Thread.join();
    }
    FRunGuard(const FRunGuard&) = delete;
    FRunGuard& operator=(const FRunGuard&) = delete;

    // What records the outcome (status, meaning) when the guard ends the run; nothing before
    // the host exists or once the run records its own end. Blocks while the guard is ending.
    using FRecordEnd = std::function<void(int, const std::string&)>;
    void Attach(FRecordEnd recordEnd)
    {
        std::lock_guard lock(Mutex);
        RecordEnd = std::move(recordEnd);
    }

private:
    void Watch(double seconds)
    {
        const sigset_t set = GuardedSignals();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        // Each round waits for a signal or the time left; it ends on the stop signal or by
        // ending the process.
        for (;;)
        {
            int signal = -1;
            if (seconds > 0)
            {
                const auto left = deadline - std::chrono::steady_clock::now();
                if (left <= std::chrono::nanoseconds::zero())
                {
                    char text[64];
                    std::snprintf(text, sizeof text, "timed out after %g seconds", seconds);
                    End(ExitUsage, text);
                }
                // At most an hour per round keeps the nanosecond count far from overflowing.
                const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                             std::min<std::chrono::duration<double>>(left, std::chrono::hours(1)))
                                             .count();
                const timespec wait{static_cast<time_t>(nanoseconds / 1000000000),
                                    static_cast<long>(nanoseconds % 1000000000)};
                signal = ::sigtimedwait(&set, nullptr, &wait);
            }
            else if (::sigwait(&set, &signal) != 0)
            {
                signal = -1;
            }
            if (signal == StopSignal)
            {
                return;
            }
            if (signal == SIGINT || signal == SIGTERM)
            {
                End(ExitInterrupted, std::string("interrupted by ") + (signal == SIGINT ? "SIGINT" : "SIGTERM") +
                                         "; the work in progress was stopped (an interrupted apply is completed "
                                         "or rolled back the next time the project is opened)");
            }
        }
    }

    [[noreturn]] void End(int status, const std::string& why)
    {
        // Steps left running would go on writing into the project after the editor has gone.
        host::FEditorHost::StopStepProcesses();
        host::FConsole::Standard().SetProgressLine({});
        std::lock_guard lock(Mutex);
        if (RecordEnd)
        {
            RecordEnd(status, why);
        }
        std::fflush(stdout);
        std::fprintf(stderr, "editor: %s\n", why.c_str());
        std::fflush(stderr);
        ::_exit(status);
    }

    std::mutex Mutex;
    FRecordEnd RecordEnd;
    std::thread Thread;
};

// The menu entry (or, failing that, the toolbar button) that runs the command.
const host::FMenuEntry* FindEntry(const host::FMenuSystem& menus, const std::string& command)
{
    const host::FMenuEntry* button = nullptr;
    for (const auto& menu : menus.Menus())
    {
        for (const auto& section : menu.Sections)
        {
            for (const auto& entry : section.Entries)
            {
                if (!entry.Command || !entry.CommandList || entry.Command->FullName() != command)
                {
                    continue;
                }
                if (entry.Kind == host::EMenuEntryKind::MenuEntry)
                {
                    return &entry;
                }
                button = button ? button : &entry;
            }
        }
    }
    return button;
}

bool ExecuteEntry(const host::FMenuEntry& entry)
{
    // Copies, as the action may change the menus the entry lives in. They go out of scope here:
    // objects made by a plug-in must not outlive its library.
    const auto command = entry.Command;
    const auto list = entry.CommandList;
    return list->Execute(*command);
}
} // namespace

void LogOutcome(host::FEditorLogSink& log, int status, const std::string& meaning)
{
    log.Write(host::LogGeneral, host::EVerbosity::Display,
              "Outcome: exit status " + std::to_string(status) + ": " + meaning);
}

int RunCommand(FSessionOptions options, const FRunArguments& arguments)
{
    FRunGuard guard(arguments.TimeoutSeconds);
    std::string error;
    auto session = FEditorSession::Open(options, error);
    if (!session)
    {
        PrintError(error);
        return ExitUsage;
    }
    auto& host = session->Host();
    auto& log = host.EditorLog();
    FRunFacts facts;
    facts.CommandLine = arguments.CommandLine;
    facts.Started = UtcNow();
    const std::string localizationDir = host.Paths().ProjectDir() + "Content/Localization";
    const FLocalizationSnapshot before = TakeLocalizationSnapshot(localizationDir, ESnapshotDetail::TranslationsOnly);
    // Runs once: on the main thread at the end, or on the guard's when it ends the run.
    const auto recordEnd = [&](int status, const std::string& meaning)
    {
        // The summary line counts; only a report shows sources, origins and notes.
        const FEntryNotes notes = ParseEntryNotes(log.Problems());
        facts.Changes = CompareWithFolder(
            before, localizationDir,
            arguments.ReportPath.empty() ? ESnapshotDetail::TranslationsOnly : ESnapshotDetail::Everything,
            arguments.ReportPath.ends_with(".html"),
            [&](const FArchiveTexts& texts, FCultureChanges& culture) { AttachEntryNotes(notes, texts, culture); });
        host::FConsole::Standard().WriteLine("summary: " + SummaryLine(facts.Changes));
        LogOutcome(log, status, meaning);
        facts.Ended = UtcNow();
        facts.ExitStatus = status;
        facts.Meaning = meaning;
        std::string reportError;
        if (!arguments.ReportPath.empty() && !WriteRunReport(arguments.ReportPath, facts, host, reportError))
        {
            PrintError(reportError);
        }
    };
    guard.Attach(recordEnd);
    const auto finish = [&](int status, const std::string& meaning)
    {
        session->ShutdownPlugins();
        guard.Attach(nullptr);
        recordEnd(status, meaning);
        return status;
    };
    session->StartPlugins();
    host.Menus().SetReady();

    const host::FMenuEntry* entry = FindEntry(host.Menus(), arguments.Command);
    if (!entry)
    {
        PrintError("no menu entry or toolbar button runs the command " + arguments.Command);
        return finish(ExitUsage, "no menu entry runs " + arguments.Command);
    }
    if (!ExecuteEntry(*entry))
    {
        PrintError("the command " + arguments.Command + " cannot be executed now");
        return finish(ExitOtherEnd, "the command could not be executed");
    }
    host.EventLoop().RunUntilIdle();
    session->ShutdownPlugins();
    if (!host.Terminal().WasOutputLogShown())
    {
        return finish(ExitOtherEnd, "the job ended without completing");
    }
    const std::size_t errors = log.Errors();
    const std::size_t warnings = log.Warnings();
    if (errors + warnings > 0)
    {
        return finish(ExitNeedsALook, "the job completed, but " + std::to_string(errors) + " error(s) and " +
                                          std::to_string(warnings) + " warning(s) in the log need a look");
    }
    return finish(ExitCompleted, "the job completed");
}
} // namespace editor
