#include "Commands.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace editor
{
namespace
{
// Ends the process with the time-out status once the time is up, wherever the editor is: a
// step process or a background task that never ends must not keep a run going forever.
class FWatchdog
{
public:
    explicit FWatchdog(double seconds)
    {
        if (seconds <= 0)
        {
            return;
        }
        Thread = std::thread(
            [this, seconds]
            {
                std::unique_lock lock(Mutex);
                if (!Cancel.wait_for(lock, std::chrono::duration<double>(seconds),
                                     [this] { return Cancelled; }))
                {
                    std::fprintf(stderr, "editor: timed out after %g seconds\n", seconds);
                    std::fflush(stdout);
                    std::fflush(stderr);
                    // Plug-in code may still be running on other threads; an orderly exit could
                    // hang or run into unloaded code.
                    ::_exit(ExitUsage);
                }
            });
    }
    ~FWatchdog()
    {
        if (Thread.joinable())
        {
            {
                std::lock_guard lock(Mutex);
                Cancelled = true;
            }
            Cancel.notify_all();
            Thread.join();
        }
    }

private:
    std::mutex Mutex;
    std::condition_variable Cancel;
    bool Cancelled = false;
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

int RunCommand(FSessionOptions options, const FRunArguments& arguments)
{
    FWatchdog watchdog(arguments.TimeoutSeconds);
    std::string error;
    auto session = FEditorSession::Open(options, error);
    if (!session)
    {
        PrintError(error);
        return ExitUsage;
    }
    auto& host = session->Host();
    session->StartPlugins();
    host.Menus().SetReady();

    const host::FMenuEntry* entry = FindEntry(host.Menus(), arguments.Command);
    if (!entry)
    {
        PrintError("no menu entry or toolbar button runs the command " + arguments.Command);
        return ExitUsage;
    }
    if (!ExecuteEntry(*entry))
    {
        PrintError("the command " + arguments.Command + " cannot be executed now");
        return ExitOtherEnd;
    }
    host.EventLoop().RunUntilIdle();
    session->ShutdownPlugins();
    return host.Terminal().WasOutputLogShown() ? ExitCompleted : ExitOtherEnd;
}
} // namespace editor
