#include "ChildProcess.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace lirno::service
{
namespace
{
constexpr std::size_t MaxErrorText = 4096;

struct Pipe
{
    int read = -1;
    int write = -1;
    bool Open() { return Make(); }
    ~Pipe()
    {
        CloseRead();
        CloseWrite();
    }
    void CloseRead()
    {
        if (read >= 0)
            ::close(read);
        read = -1;
    }
    void CloseWrite()
    {
        if (write >= 0)
            ::close(write);
        write = -1;
    }

private:
    bool Make()
    {
        // Close-on-exec so children started by other threads do not inherit our ends.
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            return false;
        read = fds[0];
        write = fds[1];
        return true;
    }
};

void IgnoreBrokenPipes()
{
    // A child that exits early must give an error on write, not kill the service.
    static const bool once = []
    {
        std::signal(SIGPIPE, SIG_IGN);
        return true;
    }();
    (void)once;
}

bool ReadInto(int fd, std::string& out, std::size_t limit)
{
    char buffer[65536];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n <= 0)
        return n < 0 && (errno == EINTR || errno == EAGAIN);
    if (out.size() < limit)
        out.append(buffer, std::min(static_cast<std::size_t>(n), limit - out.size()));
    return true;
}
} // namespace

ChildResult RunChild(const std::vector<std::string>& argv, const std::string& input,
                     std::chrono::milliseconds timeout)
{
    IgnoreBrokenPipes();
    ChildResult result;
    Pipe in, out, err;
    if (argv.empty() || !in.Open() || !out.Open() || !err.Open())
        return result;

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in.read, 0);
    posix_spawn_file_actions_adddup2(&actions, out.write, 1);
    posix_spawn_file_actions_adddup2(&actions, err.write, 2);
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    // Its own process group, so a time-out also ends the pipeline a wrapper script starts.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    pid_t pid = -1;
    const int spawned = ::posix_spawnp(&pid, args[0], &actions, &attributes, args.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return result;
    result.started = true;
    in.CloseRead();
    out.CloseWrite();
    err.CloseWrite();
    ::fcntl(in.write, F_SETFL, O_NONBLOCK);

    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::size_t written = 0;
    if (input.empty())
        in.CloseWrite();
    while (out.read >= 0 || err.read >= 0)
    {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
        {
            result.timed_out = true;
            break;
        }
        pollfd fds[3];
        nfds_t count = 0;
        const auto watch = [&](int fd, short events)
        {
            if (fd >= 0)
                fds[count++] = pollfd{fd, events, 0};
        };
        watch(in.write, POLLOUT);
        watch(out.read, POLLIN);
        watch(err.read, POLLIN);
        const int ready = ::poll(fds, count, static_cast<int>(std::min<long long>(left.count(), 1000)));
        if (ready < 0 && errno != EINTR)
            break;
        for (nfds_t i = 0; i < count && ready > 0; ++i)
        {
            if (fds[i].revents == 0)
                continue;
            if (fds[i].fd == in.write)
            {
                const ssize_t n = ::write(in.write, input.data() + written, input.size() - written);
                if (n > 0)
                    written += static_cast<std::size_t>(n);
                if ((n < 0 && errno != EAGAIN && errno != EINTR) || written == input.size())
                    in.CloseWrite();
            }
            else if (fds[i].fd == out.read)
            {
                if (!ReadInto(out.read, result.output, std::string::npos))
                    out.CloseRead();
            }
            else if (!ReadInto(err.read, result.errors, MaxErrorText))
                err.CloseRead();
        }
    }
    if (result.timed_out)
        ::kill(-pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR)
    {
    }
    if (!result.timed_out && WIFEXITED(status))
        result.exit_code = WEXITSTATUS(status);
    return result;
}
} // namespace lirno::service
