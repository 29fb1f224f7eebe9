// The plug-in's log categories, registered when the library loads.
#pragma once

#include "Log.h"

#include <fmt/format.h>

#include <string_view>

namespace lirno
{
extern host::FLogCategory LogLirno;       // registered; nothing writes to it
extern host::FLogCategory lirnoHelperLog; // every line of the translation job

template <class... Args> void JobLog(fmt::format_string<Args...> format, Args&&... args)
{
    host::Log(lirnoHelperLog, host::EVerbosity::Log, fmt::format(format, std::forward<Args>(args)...));
}

template <class... Args> void JobWarning(fmt::format_string<Args...> format, Args&&... args)
{
    host::Log(lirnoHelperLog, host::EVerbosity::Warning, fmt::format(format, std::forward<Args>(args)...));
}
} // namespace lirno
