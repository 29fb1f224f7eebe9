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

// A step that has ended, for the run's report.
struct FStepRecord
{
    std::string Config; // the step's configuration file
    int ExitCode = -1;  // -1 when unknown
    double Seconds = 0;
};
// The steps ended so far in this process, in the order they ended.
HOST_API std::vector<FStepRecord> FinishedLocalizationSteps();
} // namespace host
