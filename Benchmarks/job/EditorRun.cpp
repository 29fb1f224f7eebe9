#include "EditorRun.h"

#include <Util/ChildProcess.h>
#include <chrono>
#include <fstream>
#include <sstream>
#include <unistd.h>

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
    util::SpawnOptions options;
    options.input = util::Stream::Null();
    options.output = util::Stream::Pipe();
    options.error = util::Stream::SameAsOutput();
    const auto start = std::chrono::steady_clock::now();
    std::optional<util::Child> child = util::Spawn(argv, options);
    if (!child)
        return result;
    const pid_t pid = child->pid;
    result.started = true;
    std::string pending;
    char buffer[4096];
    while (true)
    {
        const ssize_t n = ::read(child->output.Get(), buffer, sizeof buffer);
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
    child->output.Reset();
    result.exit_code = util::Wait(pid).exit_code;
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
