// Log categories and verbosities. Categories are static objects registered when the library
// that defines them is loaded, before any host exists; lines go to the installed host's sink.
#pragma once

#include "HostApi.h"

#include <string>
#include <string_view>
#include <vector>

namespace host
{
enum class EVerbosity
{
    Fatal,
    Error,
    Warning,
    Display,
    Log,
    Verbose,
    VeryVerbose,
    All = VeryVerbose,
};

HOST_API const char* ToString(EVerbosity verbosity);

class HOST_API FLogCategory
{
public:
    FLogCategory(const char* name, EVerbosity defaultVerbosity, EVerbosity compileTimeVerbosity);
    ~FLogCategory();
    FLogCategory(const FLogCategory&) = delete;
    FLogCategory& operator=(const FLogCategory&) = delete;

    const char* Name() const { return CategoryName; }
    bool IsEnabled(EVerbosity verbosity) const;

private:
    const char* CategoryName;
    EVerbosity DefaultLevel;
    EVerbosity CompileTimeLevel;
};

// Lets every category write lines up to `verbosity` as well as its own default (the editor's
// --verbose); Fatal, the start value, leaves the defaults alone.
HOST_API void RaiseLogVerbosity(EVerbosity verbosity);

// Every category currently registered, in registration order.
HOST_API std::vector<const FLogCategory*> RegisteredLogCategories();

// Receives every enabled line. Called from any thread; implementations serialise.
class ILogSink
{
public:
    virtual ~ILogSink() = default;
    virtual void Write(const FLogCategory& category, EVerbosity verbosity, std::string_view text) = 0;
};

// Writes one line through the installed host; without a host the line goes to standard error.
HOST_API void Log(const FLogCategory& category, EVerbosity verbosity, std::string_view text);

// The host's own categories.
HOST_API extern FLogCategory LogGeneral; // general-purpose category, "LogGeneral"
HOST_API extern FLogCategory LogJson;    // JSON conversion warnings, "LogJson"
} // namespace host
