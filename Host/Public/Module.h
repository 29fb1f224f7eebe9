// The interface every plug-in module implements, and its exported entry point.
#pragma once

#include <string>

namespace host
{
class IModuleInterface
{
public:
    virtual ~IModuleInterface() = default;
    virtual void StartupModule() {}
    virtual void PreUnloadCallback() {}
    virtual void PostLoadCallback() {}
    virtual void ShutdownModule() {}
    virtual bool SupportsDynamicReloading() { return true; }
    virtual bool SupportsAutomaticShutdown() { return true; }
    virtual bool IsGameModule() const { return false; }
};

class IModules
{
public:
    virtual ~IModules() = default;
    // Host service modules ("Settings", ...) and loaded plug-in modules by name.
    virtual bool IsModuleLoaded(const std::string& name) const = 0;
};

// Every module library exports: extern "C" host::IModuleInterface* InitializeModule();
// The host owns (and deletes) the returned object.
using FInitializeModuleFunc = IModuleInterface* (*)();
inline constexpr const char* InitializeModuleSymbol = "InitializeModule";
} // namespace host
