#include "EditorRun.h"

#include <chrono>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace jobbench
{
namespace
{
double CpuSeconds(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat;
    std::getline(in, stat); // one line
    // Fields after the command name, which is in parentheses and may hold spaces.
    const auto close = stat.rfind(')');
    if (close == std::string::npos)
        return 0;
    std::istringstream fields(stat.substr(close + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int i = 3; fields >> field; ++i)
    {
        if (i == 14)
            utime = std::stoull(field);
        else if (i == 15)
        {
            stime = std::stoull(field);
            break;
        }
    }
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

long PeakMemoryKib(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(in, line);)
    {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return 0;
}
} // namespace

EditorRunResult RunEditor(const std::vector<std::string>& argv)
{
    EditorRunResult result;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return result;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (spawned != 0)
    {
        ::close(fds[0]);
        return result;
    }
    result.started = true;
    std::string pending;
    char buffer[4096];
    while (true)
    {
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        // Stamped and sampled as soon as the bytes arrive; the editor's console is line-buffered.
        const double now = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const double cpu = CpuSeconds(pid);
        const long peak = PeakMemoryKib(pid);
        pending.append(buffer, static_cast<std::size_t>(n));
        for (auto newline = pending.find('\n'); newline != std::string::npos; newline = pending.find('\n'))
        {
            result.lines.push_back({now, pending.substr(0, newline), cpu, peak});
            pending.erase(0, newline + 1);
        }
    }
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::size_t FindLine(const std::vector<ConsoleLine>& lines, const std::string& needle, std::size_t from)
{
    for (std::size_t i = from; i < lines.size(); ++i)
    {
        if (lines[i].text.find(needle) != std::string::npos)
            return i;
    }
    return lines.size();
}

std::size_t FindLastLine(const std::vector<ConsoleLine>& lines, const std::string& needle)
{
    for (std::size_t i = lines.size(); i-- > 0;)
    {
        if (lines[i].text.find(needle) != std::string::npos)
            return i;
    }
    return lines.size();
}
} // namespace jobbench
