// The one accessor through which plug-ins reach the editor's services. The editor installs
// its real host at start; tests install a fake host in-process.
#pragma once

#include "Config.h"
#include "HostApi.h"
#include "Http.h"
#include "LocalizationFiles.h"
#include "Localization.h"
#include "Log.h"
#include "Module.h"
#include "Paths.h"
#include "Registries.h"
#include "Threads.h"
#include "UserInterface.h"

namespace host
{
class IHost
{
public:
    virtual ~IHost() = default;
    virtual ILogSink& LogSink() = 0;
    virtual IUserInterface& UI() = 0;
    virtual IThreads& Threads() = 0;
    virtual IHttpClient& Http() = 0;
    virtual IConfig& Config() = 0;
    virtual IPaths& Paths() = 0;
    virtual ILocalization& Localization() = 0;
    virtual IModules& Modules() = 0;
    virtual FSettingsRegistry& Settings() = 0;
    virtual FBindingRegistry& Bindings() = 0;
    virtual FStyleRegistry& Styles() = 0;
    virtual FPluginRegistry& Plugins() = 0;
    virtual FMenuSystem& Menus() = 0;
};

// The installed host; calling it with none installed is a programming error (aborts).
HOST_API IHost& Get();
HOST_API bool IsInstalled();
// Installs a host (or none with nullptr); the caller keeps ownership.
HOST_API void Install(IHost* host);

// A configuration-backed type's default instance (see IConfig::DefaultObject).
template <class T> T* GetMutableDefault()
{
    return static_cast<T*>(Get().Config().DefaultObject(T::StaticStruct()));
}
} // namespace host
