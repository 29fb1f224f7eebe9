#include "LocalizationProcess.h"

#include "Log.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <mutex>
#include <set>
#include <string_view>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

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
    FLocalizationProcess(pid_t pid, int output, int errors, std::string configPath)
        : Pid(pid), Output(output), Errors(errors), ConfigPath(std::move(configPath))
    {
    }

    ~FLocalizationProcess() override
    {
        // Read here, after the caller has reported the exit code, so that the reason stands
        // right under it in the log.
        ReadErrors();
        LogErrors();
        Close(Output);
        Close(Errors);
        if (!Reaped)
        {
            // Releasing detaches: the step may go on, and someone must still collect its status
            // so that it does not linger as a zombie.
            std::thread(
                [pid = Pid]
                {
                    ::waitpid(pid, nullptr, 0);
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
        if (Output >= 0 && !Drain(Output, text, std::string::npos))
        {
            Close(Output); // end of output: every writer is gone
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
        int status = 0;
        pid_t result = 0;
        do
        {
            result = ::waitpid(Pid, &status, WNOHANG);
        } while (result < 0 && errno == EINTR);
        if (result == 0)
        {
            return true;
        }
        Reaped = true;
        Forget(Pid);
        if (result == Pid && WIFEXITED(status))
        {
            Code = WEXITSTATUS(status);
        }
        else if (result == Pid && WIFSIGNALED(status))
        {
            // Shells report a killed process this way; a crash must not pass for success.
            Code = 128 + WTERMSIG(status);
        }
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
        if (Errors >= 0 && !Drain(Errors, ErrorText, MaxErrorText))
        {
            Close(Errors);
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

    static void Close(int& fd)
    {
        if (fd >= 0)
        {
            ::close(fd);
            fd = -1;
        }
    }

    pid_t Pid;
    std::chrono::steady_clock::time_point Started = std::chrono::steady_clock::now();
    int Output;
    int Errors;
    std::string ConfigPath;
    std::string ErrorText;
    bool Reaped = false;
    std::optional<int> Code;
};

// Owns the spawn attributes and file actions for the duration of one spawn.
struct FSpawnSetup
{
    FSpawnSetup()
    {
        ::posix_spawn_file_actions_init(&Actions);
        ::posix_spawnattr_init(&Attributes);
    }
    ~FSpawnSetup()
    {
        ::posix_spawn_file_actions_destroy(&Actions);
        ::posix_spawnattr_destroy(&Attributes);
    }
    FSpawnSetup(const FSpawnSetup&) = delete;
    FSpawnSetup& operator=(const FSpawnSetup&) = delete;

    bool Prepare(int outputWriteEnd, int errorWriteEnd)
    {
        sigset_t none;
        sigset_t all;
        sigemptyset(&none);
        sigfillset(&all);
        return ::posix_spawn_file_actions_addopen(&Actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0) == 0 &&
               ::posix_spawn_file_actions_adddup2(&Actions, outputWriteEnd, STDOUT_FILENO) == 0 &&
               ::posix_spawn_file_actions_adddup2(&Actions, errorWriteEnd, STDERR_FILENO) == 0 &&
               ::posix_spawn_file_actions_addclosefrom_np(&Actions, STDERR_FILENO + 1) == 0 &&
               ::posix_spawnattr_setsigmask(&Attributes, &none) == 0 &&
               ::posix_spawnattr_setsigdefault(&Attributes, &all) == 0 &&
               ::posix_spawnattr_setflags(&Attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF) == 0;
    }

    posix_spawn_file_actions_t Actions;
    posix_spawnattr_t Attributes;
};
} // namespace

std::unique_ptr<ILocalizationProcess> StartLocalizationProcess(const std::string& program,
                                                               const std::vector<std::string>& arguments)
{
    if (::access(program.c_str(), X_OK) != 0)
    {
        return nullptr;
    }
    int pipeEnds[2];
    int errorEnds[2];
    // Close-on-exec, so steps started at the same time from other threads never hold each
    // other's pipes open.
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0)
    {
        return nullptr;
    }
    if (::pipe2(errorEnds, O_CLOEXEC) != 0)
    {
        ::close(pipeEnds[0]);
        ::close(pipeEnds[1]);
        return nullptr;
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments)
    {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);

    FSpawnSetup setup;
    pid_t pid = -1;
    bool started = false;
    {
        // Registered under the lock, so an interrupt cannot miss a step starting right now.
        std::lock_guard lock(LiveMutex);
        started = setup.Prepare(pipeEnds[1], errorEnds[1]) &&
                  ::posix_spawn(&pid, program.c_str(), &setup.Actions, &setup.Attributes, argv.data(), environ) == 0;
        if (started)
        {
            LivePids().insert(pid);
        }
    }
    ::close(pipeEnds[1]);
    ::close(errorEnds[1]);
    if (!started)
    {
        ::close(pipeEnds[0]);
        ::close(errorEnds[0]);
        return nullptr;
    }
    for (const int fd : {pipeEnds[0], errorEnds[0]})
    {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    }
    std::string commandLine = program;
    for (const std::string& argument : arguments)
    {
        commandLine += " " + argument;
    }
    Log(LogLocalizationStep, EVerbosity::Verbose, "Step started (process " + std::to_string(pid) + "): " + commandLine);
    return std::make_unique<FLocalizationProcess>(pid, pipeEnds[0], errorEnds[0],
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
        ::kill(pid, SIGTERM);
    }
}
} // namespace host
