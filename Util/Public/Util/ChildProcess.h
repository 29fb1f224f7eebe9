// Child processes through posix_spawn: start a program with its standard streams where the
// caller wants them, see how it ended, signal it. Safe to use from several threads at once.
#pragma once

#include "Util/Descriptor.h"

#include <chrono>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace util
{
// Where one of a child's standard streams goes.
struct Stream
{
    enum class Kind
    {
        Inherit,      // ours
        Null,         // /dev/null
        File,         // `path`: read for input; created or truncated (0644) for output and error
        Pipe,         // a pipe whose other end the caller gets in Child
        SameAsOutput, // standard error only: wherever standard output goes
    };
    Kind kind = Kind::Inherit;
    std::string path;

    static Stream Null() { return {Kind::Null, {}}; }
    static Stream File(std::string path) { return {Kind::File, std::move(path)}; }
    static Stream Pipe() { return {Kind::Pipe, {}}; }
    static Stream SameAsOutput() { return {Kind::SameAsOutput, {}}; }
};

struct SpawnOptions
{
    Stream input;
    Stream output;
    Stream error;
    bool search_path = false; // look argv[0] up on PATH
    // The child leads a process group of its own, so KillGroup also reaches what it starts.
    bool own_process_group = false;
    // The child gets no descriptor of ours but its three streams (no sockets, no files), default
    // signal handling and an empty signal mask.
    bool clean = false;
    bool non_blocking_pipes = false; // our ends of the pipes

    // Standard input from /dev/null, standard output and error together into `file`: a program
    // that runs in the background with its log kept.
    static SpawnOptions LoggingTo(std::string file)
    {
        SpawnOptions options;
        options.input = Stream::Null();
        options.output = Stream::File(std::move(file));
        options.error = Stream::SameAsOutput();
        return options;
    }
};

// A started child, and our ends of the streams that are pipes (closed where a stream is not).
// Our ends are close-on-exec, so children started meanwhile by other threads never hold them.
struct Child
{
    pid_t pid = -1;
    Descriptor input;  // we write
    Descriptor output; // we read
    Descriptor error;  // we read
};

// argv[0] is the program. Nothing when argv is empty, a stream cannot be set up or the program
// cannot be started (missing, not executable).
std::optional<Child> Spawn(const std::vector<std::string>& argv, const SpawnOptions& options = {});

// How a child stands. A child is waited for once: after it has been seen Ended, it is Unknown.
struct ChildStatus
{
    enum class State
    {
        Running,
        Ended,
        Unknown, // no child of ours
    };
    State state = State::Unknown;
    int exit_code = -1; // when it exited; -1 otherwise
    int signal = 0;     // when a signal ended it; 0 otherwise

    // As a shell reports an ended child: its exit code, or 128 + the signal.
    std::optional<int> ShellCode() const
    {
        if (state != State::Ended)
            return std::nullopt;
        return signal != 0 ? 128 + signal : exit_code;
    }
};

ChildStatus Poll(pid_t pid);                                       // never blocks
ChildStatus Wait(pid_t pid);                                       // until it ends
ChildStatus WaitFor(pid_t pid, std::chrono::milliseconds timeout); // Running when time ran out

// False when there is no such process (or group).
bool Kill(pid_t pid, int signal);
bool KillGroup(pid_t leader, int signal);
} // namespace util
