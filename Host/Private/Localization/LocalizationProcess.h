// The step runner's process: a child whose standard output and error come back through
// non-blocking pipes. What it writes to standard error goes into the log (LogLocalizationStep)
// when the process is released, its "Error:" line at Error.
#pragma once

#include "HostApi.h"
#include "Localization.h"

#include <memory>
#include <string>
#include <vector>

namespace host
{
// Starts `program` with `arguments` (without the program itself). The child gets no descriptor
// of ours but the pipe (no listening sockets, no files), standard input from /dev/null, default
// signal handling and an empty signal mask. Nothing when it cannot be started.
HOST_API std::unique_ptr<ILocalizationProcess> StartLocalizationProcess(const std::string& program,
                                                                        const std::vector<std::string>& arguments);

// Asks every step still running to end (SIGTERM); for an editor that is being interrupted.
HOST_API void StopLocalizationProcesses();
} // namespace host
