#include "Processes.h"

#include <Util/ChildProcess.h>

#include <csignal>
#include <fstream>
#include <sstream>

namespace e2e
{
Process::Process(const std::vector<std::string>& argv, const std::string& output_file)
{
    if (const auto child = util::Spawn(argv, util::SpawnOptions::LoggingTo(output_file)))
        pid_ = child->pid;
}

Process::~Process()
{
    if (pid_ > 0 && !status_)
    {
        Kill(SIGKILL);
        Wait(std::chrono::seconds(10));
    }
}

std::optional<int> Process::Wait(std::chrono::milliseconds timeout)
{
    if (status_ || pid_ <= 0)
        return status_;
    status_ = util::WaitFor(pid_, timeout).ShellCode();
    return status_;
}

void Process::Kill(int signal)
{
    if (pid_ > 0 && !status_)
        util::Kill(pid_, signal);
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}
} // namespace e2e
