#include "lirnoLog.h"

namespace lirno
{
host::FLogCategory LogLirno("LogLirno", host::EVerbosity::Log, host::EVerbosity::All);
host::FLogCategory lirnoHelperLog("lirnoHelperLog", host::EVerbosity::Log, host::EVerbosity::All);
} // namespace lirno
