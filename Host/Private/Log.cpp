#include "Log.h"
#include "Host.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>

namespace host
{
namespace
{
struct FCategoryRegistry
{
    std::mutex Mutex;
    std::vector<const FLogCategory*> Categories;
};

// Categories are static objects of several libraries, constructed and destroyed in an order no
// one controls; a registry that is never destroyed outlives all of them.
FCategoryRegistry& Categories()
{
    static auto* registry = new FCategoryRegistry;
    return *registry;
}
} // namespace

const char* ToString(EVerbosity verbosity)
{
    switch (verbosity)
    {
    case EVerbosity::Fatal:
        return "Fatal";
    case EVerbosity::Error:
        return "Error";
    case EVerbosity::Warning:
        return "Warning";
    case EVerbosity::Display:
        return "Display";
    case EVerbosity::Log:
        return "Log";
    case EVerbosity::Verbose:
        return "Verbose";
    case EVerbosity::VeryVerbose:
        return "VeryVerbose";
    }
    return "Unknown";
}

FLogCategory::FLogCategory(const char* name, EVerbosity defaultVerbosity, EVerbosity compileTimeVerbosity)
    : CategoryName(name), DefaultLevel(defaultVerbosity), CompileTimeLevel(compileTimeVerbosity)
{
    auto& registry = Categories();
    std::lock_guard lock(registry.Mutex);
    registry.Categories.push_back(this);
}

FLogCategory::~FLogCategory()
{
    auto& registry = Categories();
    std::lock_guard lock(registry.Mutex);
    std::erase(registry.Categories, this);
}

namespace
{
std::atomic<EVerbosity> Raised{EVerbosity::Fatal};
}

void RaiseLogVerbosity(EVerbosity verbosity)
{
    Raised = verbosity;
}

bool FLogCategory::IsEnabled(EVerbosity verbosity) const
{
    return (verbosity <= DefaultLevel || verbosity <= Raised.load()) && verbosity <= CompileTimeLevel;
}

std::vector<const FLogCategory*> RegisteredLogCategories()
{
    auto& registry = Categories();
    std::lock_guard lock(registry.Mutex);
    return registry.Categories;
}

void Log(const FLogCategory& category, EVerbosity verbosity, std::string_view text)
{
    if (!category.IsEnabled(verbosity))
    {
        return;
    }
    if (IsInstalled())
    {
        Get().LogSink().Write(category, verbosity, text);
        return;
    }
    const std::string line =
        std::string(category.Name()) + ": " + ToString(verbosity) + ": " + std::string(text) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
}

FLogCategory LogGeneral("LogGeneral", EVerbosity::Log, EVerbosity::All);
FLogCategory LogJson("LogJson", EVerbosity::Log, EVerbosity::All);
} // namespace host
