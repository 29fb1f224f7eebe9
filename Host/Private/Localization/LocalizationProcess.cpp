#include "LocalizationProcess.h"

#include "Log.h"

#include <Util/ChildProcess.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <mutex>
#include <set>
#include <string_view>
#include <thread>
#include <unistd.h>

namespace host
{
FLogCategory LogLocalizationStep("LogLocalizationStep", EVerbosity::Log, EVerbosity::All);

namespace
{
// What a step says on standard error is kept up to this size; a step has one line to say why
// it failed, and a runaway one must not fill the editor's memory or log.
constexpr std::size_t MaxErrorText = 64 << 10;

// Steps still running, so that an interrupted editor can stop them rather than leave them
// writing into the project after it has gone.
// Never destroyed: a reaper thread of a released step may still use them while the process exits.
std::mutex& LiveMutex = *new std::mutex;
std::set<pid_t>& LivePids()
{
    static auto* pids = new std::set<pid_t>;
    return *pids;
}

std::vector<FStepRecord>& Finished()
{
    static std::vector<FStepRecord> steps;
    return steps;
}

void Forget(pid_t pid)
{
    std::lock_guard lock(LiveMutex);
    LivePids().erase(pid);
}

// Reads what is there without waiting; false once the pipe has ended (or failed).
bool Drain(int fd, std::string& into, std::size_t limit)
{
    char buffer[4096];
    for (;;)
    {
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count > 0)
        {
            into.append(buffer, std::min(static_cast<std::size_t>(count), limit - std::min(limit, into.size())));
            continue;
        }
        if (count < 0 && errno == EINTR)
        {
            continue;
        }
        return !(count == 0 || (errno != EAGAIN && errno != EWOULDBLOCK));
    }
}

class FLocalizationProcess final : public ILocalizationProcess
{
public:
    FLocalizationProcess(pid_t pid, util::Descriptor output, util::Descriptor errors, std::string configPath)
        : Pid(pid), Output(std::move(output)), Errors(std::move(errors)), ConfigPath(std::move(configPath))
    {
    }

    ~FLocalizationProcess() override
    {
        // Read here, after the caller has reported the exit code, so that the reason stands
        // right under it in the log.
        ReadErrors();
        LogErrors();
        Output.Reset();
        Errors.Reset();
        if (!Reaped)
        {
            // Releasing detaches: the step may go on, and someone must still collect its status
            // so that it does not linger as a zombie.
            std::thread(
                [pid = Pid]
                {
                    util::Wait(pid);
                    Forget(pid);
                })
                .detach();
        }
    }

    FLocalizationProcess(const FLocalizationProcess&) = delete;
    FLocalizationProcess& operator=(const FLocalizationProcess&) = delete;

    std::string ReadNewOutput() override
    {
        std::string text;
        if (Output.IsOpen() && !Drain(Output.Get(), text, std::string::npos))
        {
            Output.Reset(); // end of output: every writer is gone
        }
        const std::size_t before = ErrorText.size();
        ReadErrors();
        // Standard error counts as output too: the caller reads until both have ended.
        text.append(ErrorText, before, std::string::npos);
        return text;
    }

    bool IsRunning() override
    {
        if (Reaped)
        {
            return false;
        }
        const util::ChildStatus status = util::Poll(Pid);
        if (status.state == util::ChildStatus::State::Running)
        {
            return true;
        }
        Reaped = true;
        Forget(Pid);
        // A killed step counts as 128 + its signal, as shells report it: a crash must not pass
        // for success.
        Code = status.ShellCode();
        {
            const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - Started).count();
            std::lock_guard lock(LiveMutex);
            Finished().push_back({ConfigPath, Code.value_or(-1), seconds});
        }
        Log(LogLocalizationStep, EVerbosity::Verbose,
            "Step " + ConfigPath + " ended with exit code " + (Code ? std::to_string(*Code) : std::string("unknown")));
        return false;
    }

    std::optional<int> ExitCode() override
    {
        IsRunning();
        return Code;
    }

private:
    void ReadErrors()
    {
        if (Errors.IsOpen() && !Drain(Errors.Get(), ErrorText, MaxErrorText))
        {
            Errors.Reset();
        }
    }

    // Every line the step wrote to standard error, its "Error:" line at Error; a failed step
    // that said nothing gets a line of ours, so no failure passes without one.
    void LogErrors()
    {
        bool saidError = false;
        std::string_view rest(ErrorText);
        while (!rest.empty())
        {
            const auto end = rest.find('\n');
            std::string_view line = rest.substr(0, end);
            rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
            if (!line.empty() && line.back() == '\r')
            {
                line.remove_suffix(1);
            }
            if (line.empty())
            {
                continue;
            }
            const bool error = line.rfind("Error:", 0) == 0;
            saidError = saidError || error;
            Log(LogLocalizationStep, error ? EVerbosity::Error : EVerbosity::Warning, line);
        }
        if (Reaped && Code && *Code != 0 && !saidError)
        {
            Log(LogLocalizationStep, EVerbosity::Error,
                "The step for " + ConfigPath + " ended with exit code " + std::to_string(*Code) +
                    " without giving a reason");
        }
    }

    pid_t Pid;
    std::chrono::steady_clock::time_point Started = std::chrono::steady_clock::now();
    util::Descriptor Output;
    util::Descriptor Errors;
    std::string ConfigPath;
    std::string ErrorText;
    bool Reaped = false;
    std::optional<int> Code;
};
} // namespace

std::unique_ptr<ILocalizationProcess> StartLocalizationProcess(const std::string& program,
                                                               const std::vector<std::string>& arguments)
{
    if (::access(program.c_str(), X_OK) != 0)
    {
        return nullptr;
    }
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    util::SpawnOptions options;
    options.input = util::Stream::Null();
    options.output = util::Stream::Pipe();
    options.error = util::Stream::Pipe();
    options.clean = true;
    options.non_blocking_pipes = true;
    std::optional<util::Child> child;
    {
        // Registered under the lock, so an interrupt cannot miss a step starting right now.
        std::lock_guard lock(LiveMutex);
        child = util::Spawn(argv, options);
        if (child)
        {
            LivePids().insert(child->pid);
        }
    }
    if (!child)
    {
        return nullptr;
    }
    const pid_t pid = child->pid;
    std::string commandLine = program;
    for (const std::string& argument : arguments)
    {
        commandLine += " " + argument;
    }
    Log(LogLocalizationStep, EVerbosity::Verbose, "Step started (process " + std::to_string(pid) + "): " + commandLine);
    return std::make_unique<FLocalizationProcess>(pid, std::move(child->output), std::move(child->error),
                                                  arguments.empty() ? program : arguments.front());
}

std::vector<FStepRecord> FinishedLocalizationSteps()
{
    std::lock_guard lock(LiveMutex);
    return Finished();
}

void StopLocalizationProcesses()
{
    std::lock_guard lock(LiveMutex);
    for (const pid_t pid : LivePids())
    {
        util::Kill(pid, SIGTERM);
    }
}
} // namespace host
