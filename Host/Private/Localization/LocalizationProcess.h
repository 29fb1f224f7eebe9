// The step runner's process: a child whose standard output and error come back through one
// non-blocking pipe.
#pragma once

#include "Localization.h"

#include <memory>
#include <string>
#include <vector>

namespace host
{
// Starts `program` with `arguments` (without the program itself). The child gets no descriptor
// of ours but the pipe (no listening sockets, no files), standard input from /dev/null, default
// signal handling and an empty signal mask. Nothing when it cannot be started.
std::unique_ptr<ILocalizationProcess> StartLocalizationProcess(const std::string& program,
                                                               const std::vector<std::string>& arguments);
} // namespace host
