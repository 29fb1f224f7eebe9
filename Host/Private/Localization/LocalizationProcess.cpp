#include "LocalizationProcess.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace host
{
namespace
{
class FLocalizationProcess final : public ILocalizationProcess
{
public:
    FLocalizationProcess(pid_t pid, int output) : Pid(pid), Output(output) {}

    ~FLocalizationProcess() override
    {
        CloseOutput();
        if (!Reaped)
        {
            // Releasing detaches: the step may go on, and someone must still collect its status
            // so that it does not linger as a zombie.
            std::thread([pid = Pid] { ::waitpid(pid, nullptr, 0); }).detach();
        }
    }

    FLocalizationProcess(const FLocalizationProcess&) = delete;
    FLocalizationProcess& operator=(const FLocalizationProcess&) = delete;

    std::string ReadNewOutput() override
    {
        std::string text;
        char buffer[4096];
        while (Output >= 0)
        {
            const ssize_t count = ::read(Output, buffer, sizeof buffer);
            if (count > 0)
            {
                text.append(buffer, static_cast<std::size_t>(count));
                continue;
            }
            if (count < 0 && errno == EINTR)
            {
                continue;
            }
            if (count == 0 || (errno != EAGAIN && errno != EWOULDBLOCK))
            {
                CloseOutput(); // end of output: every writer is gone
            }
            break;
        }
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
        if (result == Pid && WIFEXITED(status))
        {
            Code = WEXITSTATUS(status);
        }
        else if (result == Pid && WIFSIGNALED(status))
        {
            // Shells report a killed process this way; a crash must not pass for success.
            Code = 128 + WTERMSIG(status);
        }
        return false;
    }

    std::optional<int> ExitCode() override
    {
        IsRunning();
        return Code;
    }

private:
    void CloseOutput()
    {
        if (Output >= 0)
        {
            ::close(Output);
            Output = -1;
        }
    }

    pid_t Pid;
    int Output;
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

    bool Prepare(int outputWriteEnd)
    {
        sigset_t none;
        sigset_t all;
        sigemptyset(&none);
        sigfillset(&all);
        return ::posix_spawn_file_actions_addopen(&Actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0) == 0 &&
               ::posix_spawn_file_actions_adddup2(&Actions, outputWriteEnd, STDOUT_FILENO) == 0 &&
               ::posix_spawn_file_actions_adddup2(&Actions, outputWriteEnd, STDERR_FILENO) == 0 &&
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
    // Close-on-exec, so steps started at the same time from other threads never hold each
    // other's pipes open.
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0)
    {
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
    const bool started =
        setup.Prepare(pipeEnds[1]) &&
        ::posix_spawn(&pid, program.c_str(), &setup.Actions, &setup.Attributes, argv.data(), environ) == 0;
    ::close(pipeEnds[1]);
    if (!started)
    {
        ::close(pipeEnds[0]);
        return nullptr;
    }
    ::fcntl(pipeEnds[0], F_SETFL, ::fcntl(pipeEnds[0], F_GETFL) | O_NONBLOCK);
    return std::make_unique<FLocalizationProcess>(pid, pipeEnds[0]);
}
} // namespace host
