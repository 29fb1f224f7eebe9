// Plug-in discovery and module loading: descriptors "<Name>.plugin" in plug-in folders, module
// libraries "lib<Module>.so" opened with dlopen, their exported "InitializeModule" called, then
// start-up; shut-down in reverse order of loading.
#pragma once

#include "ConfigService.h"
#include "HostApi.h"
#include "Module.h"
#include "Registries.h"

#include <memory>
#include <set>
#include <string>
#include <vector>

namespace host
{
struct FPluginModuleInfo
{
    std::string Name;
    std::string Type;
    std::string Plugin;
};

class HOST_API FModuleManager final : public IModules
{
public:
    FModuleManager(FPluginRegistry& plugins, FConfigService& config, std::string engineDir);
    ~FModuleManager() override;

    // Host service modules ("Settings", ...) are reported loaded without a library.
    void AddHostModule(const std::string& name) { HostModules.insert(name); }

    // Reads every descriptor directly in each folder, and in each sub-folder of projectPlugins,
    // registers the plug-ins and remembers their modules. The first plug-in of a name wins.
    void Discover(const std::vector<std::string>& pluginFolders, const std::string& projectPluginsDir);

    // Loads and starts one discovered module; true when it is (or already was) loaded.
    bool LoadModule(const std::string& name);
    // Shuts one module down and unloads its library; false when it is not loaded or refuses
    // to be unloaded while the editor runs.
    bool UnloadModule(const std::string& name);
    // Loads every discovered module in discovery order; false when any failed.
    bool LoadAll();
    // Shuts down, in reverse order of loading, every module that allows automatic shut-down;
    // meant for the end of the process, so the libraries themselves stay loaded.
    void ShutdownAll();

    bool IsModuleLoaded(const std::string& name) const override;
    // The name of the loaded module whose object is `owner` (menu entries are owned that way).
    std::string OwnerName(const void* owner) const;

private:
    struct FLoadedModule;
    void Unload(FLoadedModule& module, bool closeLibrary);
    std::string FindLibrary(const FPluginModuleInfo& module) const;

    FPluginRegistry& Plugins;
    FConfigService& Config;
    std::string EngineDir;
    std::set<std::string> HostModules;
    std::vector<FPluginModuleInfo> Modules;
    std::vector<std::unique_ptr<FLoadedModule>> Loaded; // in loading order
};
} // namespace host
