// Child processes for the end-to-end tests: started in the background with their output in a
// file, waited for with a time-out, killed on demand.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace e2e
{
class Process
{
public:
    // Standard input is /dev/null; standard output and error both go to `output_file`.
    Process(const std::vector<std::string>& argv, const std::string& output_file);
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    bool Started() const { return pid_ > 0; }
    // The exit status, or nothing when the process is still running after `timeout`.
    std::optional<int> Wait(std::chrono::milliseconds timeout);
    void Kill(int signal);

private:
    pid_t pid_ = -1;
    std::optional<int> status_;
};

std::string ReadFile(const std::string& path);
// Polls `predicate` every 50 ms until it holds or `timeout` passes.
bool WaitFor(const auto& predicate, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!predicate())
    {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        struct timespec pause = {0, 50'000'000};
        nanosleep(&pause, nullptr);
    }
    return true;
}
} // namespace e2e
