#include "Util/RunChild.h"

#include "Util/ChildProcess.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <poll.h>
#include <unistd.h>

namespace util
{
namespace
{
constexpr std::size_t MaxErrorText = 4096;

void IgnoreBrokenPipes()
{
    // A child that exits early must give an error on write, not kill the process.
    static const bool once = []
    {
        std::signal(SIGPIPE, SIG_IGN);
        return true;
    }();
    (void)once;
}

// False once the pipe has ended (or failed).
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
    SpawnOptions options;
    options.input = Stream::Pipe();
    options.output = Stream::Pipe();
    options.error = Stream::Pipe();
    options.search_path = true;
    // Its own process group, so a time-out also ends the pipeline a wrapper script starts.
    options.own_process_group = true;
    options.non_blocking_pipes = true;
    std::optional<Child> child = Spawn(argv, options);
    if (!child)
        return result;
    result.started = true;
    Descriptor& in = child->input;
    Descriptor& out = child->output;
    Descriptor& err = child->error;

    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::size_t written = 0;
    if (input.empty())
        in.Reset();
    while (out.IsOpen() || err.IsOpen())
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
        for (const auto& [fd, events] :
             {std::pair{&in, POLLOUT}, std::pair{&out, POLLIN}, std::pair{&err, POLLIN}})
        {
            if (fd->IsOpen())
                fds[count++] = pollfd{fd->Get(), static_cast<short>(events), 0};
        }
        const int ready = ::poll(fds, count, static_cast<int>(std::min<long long>(left.count(), 1000)));
        if (ready < 0 && errno != EINTR)
            break;
        for (nfds_t i = 0; i < count && ready > 0; ++i)
        {
            if (fds[i].revents == 0)
                continue;
            if (fds[i].fd == in.Get())
            {
                const ssize_t n = ::write(in.Get(), input.data() + written, input.size() - written);
                if (n > 0)
                    written += static_cast<std::size_t>(n);
                if ((n < 0 && errno != EAGAIN && errno != EINTR) || written == input.size())
                    in.Reset();
            }
            else if (fds[i].fd == out.Get())
            {
                if (!ReadInto(out.Get(), result.output, std::string::npos))
                    out.Reset();
            }
            else if (!ReadInto(err.Get(), result.errors, MaxErrorText))
                err.Reset();
        }
    }
    if (result.timed_out)
        KillGroup(child->pid, SIGKILL);
    const ChildStatus status = Wait(child->pid);
    if (!result.timed_out)
        result.exit_code = status.exit_code;
    return result;
}
} // namespace util
