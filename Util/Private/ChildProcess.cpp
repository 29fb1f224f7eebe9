#include "Util/ChildProcess.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace util
{
namespace
{
// Owns the spawn attributes and file actions for the duration of one spawn.
struct SpawnSetup
{
    SpawnSetup()
    {
        ::posix_spawn_file_actions_init(&actions);
        ::posix_spawnattr_init(&attributes);
    }
    ~SpawnSetup()
    {
        ::posix_spawn_file_actions_destroy(&actions);
        ::posix_spawnattr_destroy(&attributes);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
};

// A pipe for one stream: the child's end goes when the spawn is done, ours goes to the caller.
struct StreamPipe
{
    Descriptor child_end;
    Descriptor our_end;
};

bool MakePipe(StreamPipe& pipe, bool child_reads)
{
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return false;
    Descriptor read_end(ends[0]);
    Descriptor write_end(ends[1]);
    pipe.child_end = child_reads ? std::move(read_end) : std::move(write_end);
    pipe.our_end = child_reads ? std::move(write_end) : std::move(read_end);
    return true;
}

// Adds what puts stream `target` (0, 1 or 2) where `stream` says; false when it cannot.
bool Redirect(SpawnSetup& setup, int target, const Stream& stream, StreamPipe& pipe)
{
    const int write_flags = O_WRONLY | O_CREAT | O_TRUNC;
    switch (stream.kind)
    {
    case Stream::Kind::Inherit:
        return true;
    case Stream::Kind::Null:
        return ::posix_spawn_file_actions_addopen(&setup.actions, target, "/dev/null",
                                                  target == STDIN_FILENO ? O_RDONLY : O_WRONLY, 0) == 0;
    case Stream::Kind::File:
        return ::posix_spawn_file_actions_addopen(&setup.actions, target, stream.path.c_str(),
                                                  target == STDIN_FILENO ? O_RDONLY : write_flags, 0644) == 0;
    case Stream::Kind::Pipe:
        return MakePipe(pipe, target == STDIN_FILENO) &&
               ::posix_spawn_file_actions_adddup2(&setup.actions, pipe.child_end.Get(), target) == 0;
    case Stream::Kind::SameAsOutput:
        return target == STDERR_FILENO &&
               ::posix_spawn_file_actions_adddup2(&setup.actions, STDOUT_FILENO, STDERR_FILENO) == 0;
    }
    return false;
}

bool SetAttributes(SpawnSetup& setup, const SpawnOptions& options)
{
    short flags = 0;
    if (options.own_process_group)
    {
        flags |= POSIX_SPAWN_SETPGROUP;
        if (::posix_spawnattr_setpgroup(&setup.attributes, 0) != 0)
            return false;
    }
    if (options.clean)
    {
        sigset_t none;
        sigset_t all;
        sigemptyset(&none);
        sigfillset(&all);
        flags |= POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
        if (::posix_spawn_file_actions_addclosefrom_np(&setup.actions, STDERR_FILENO + 1) != 0 ||
            ::posix_spawnattr_setsigmask(&setup.attributes, &none) != 0 ||
            ::posix_spawnattr_setsigdefault(&setup.attributes, &all) != 0)
            return false;
    }
    return ::posix_spawnattr_setflags(&setup.attributes, flags) == 0;
}

void SetNonBlocking(const Descriptor& fd)
{
    if (fd.IsOpen())
        ::fcntl(fd.Get(), F_SETFL, ::fcntl(fd.Get(), F_GETFL) | O_NONBLOCK);
}

ChildStatus Ended(int raw)
{
    ChildStatus status;
    status.state = ChildStatus::State::Ended;
    if (WIFEXITED(raw))
        status.exit_code = WEXITSTATUS(raw);
    else if (WIFSIGNALED(raw))
        status.signal = WTERMSIG(raw);
    return status;
}

ChildStatus WaitPid(pid_t pid, int flags)
{
    if (pid <= 0)
        return {};
    int raw = 0;
    pid_t result = 0;
    do
    {
        result = ::waitpid(pid, &raw, flags);
    } while (result < 0 && errno == EINTR);
    if (result == 0)
        return {ChildStatus::State::Running};
    return result == pid ? Ended(raw) : ChildStatus{};
}
} // namespace

std::optional<Child> Spawn(const std::vector<std::string>& argv, const SpawnOptions& options)
{
    if (argv.empty())
        return std::nullopt;
    SpawnSetup setup;
    StreamPipe pipes[3];
    if (!Redirect(setup, STDIN_FILENO, options.input, pipes[0]) ||
        !Redirect(setup, STDOUT_FILENO, options.output, pipes[1]) ||
        !Redirect(setup, STDERR_FILENO, options.error, pipes[2]) || !SetAttributes(setup, options))
        return std::nullopt;
    std::vector<char*> args;
    for (const std::string& argument : argv)
        args.push_back(const_cast<char*>(argument.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    const auto spawn = options.search_path ? ::posix_spawnp : ::posix_spawn;
    if (spawn(&pid, args[0], &setup.actions, &setup.attributes, args.data(), environ) != 0)
        return std::nullopt;
    Child child;
    child.pid = pid;
    child.input = std::move(pipes[0].our_end);
    child.output = std::move(pipes[1].our_end);
    child.error = std::move(pipes[2].our_end);
    if (options.non_blocking_pipes)
    {
        for (const Descriptor* fd : {&child.input, &child.output, &child.error})
            SetNonBlocking(*fd);
    }
    return child;
}

ChildStatus Poll(pid_t pid)
{
    return WaitPid(pid, WNOHANG);
}

ChildStatus Wait(pid_t pid)
{
    return WaitPid(pid, 0);
}

ChildStatus WaitFor(pid_t pid, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;)
    {
        const ChildStatus status = Poll(pid);
        if (status.state != ChildStatus::State::Running || std::chrono::steady_clock::now() > deadline)
            return status;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

bool Kill(pid_t pid, int signal)
{
    return pid > 0 && ::kill(pid, signal) == 0;
}

bool KillGroup(pid_t leader, int signal)
{
    return leader > 0 && ::kill(-leader, signal) == 0;
}
} // namespace util
