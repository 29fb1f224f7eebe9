#include "ModuleManager.h"

#include "Log.h"
#include "Paths.h"
#include "ProjectPaths.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <dlfcn.h>
#include <filesystem>

namespace host
{
namespace fs = std::filesystem;

struct FModuleManager::FLoadedModule
{
    std::string Name;
    void* Library = nullptr;
    const void* LibraryBase = nullptr;
    IModuleInterface* Module = nullptr;
};

namespace
{
// The folder's entries that pass `keep`, sorted. A folder that cannot be read, or stops being
// readable midway, gives what was read: iterating with error codes, as the range-for's
// increment would throw.
template <class FKeep> std::vector<fs::path> EntriesIn(const fs::path& folder, FKeep keep)
{
    std::vector<fs::path> found;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    {
        if (keep(*it))
        {
            found.push_back(it->path());
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

std::vector<fs::path> DescriptorsIn(const fs::path& folder)
{
    return EntriesIn(folder,
                     [](const fs::directory_entry& entry)
                     {
                         std::error_code ec;
                         return entry.is_regular_file(ec) && entry.path().extension() == ".plugin";
                     });
}

// A descriptor member that must be a string when present: absent gives "", another type is
// logged and refused.
bool ReadOptionalString(const nlohmann::json& object, const char* member, const std::string& where,
                        std::string& value)
{
    const auto found = object.find(member);
    if (found == object.end())
    {
        value.clear();
        return true;
    }
    if (!found->is_string())
    {
        Log(LogGeneral, EVerbosity::Error, where + ": \"" + member + "\" is not a string");
        return false;
    }
    value = found->get<std::string>();
    return true;
}
} // namespace

FModuleManager::FModuleManager(FPluginRegistry& plugins, FConfigService& config, std::string engineDir)
    : Plugins(plugins), Config(config), EngineDir(AsFolder(engineDir))
{
}

FModuleManager::~FModuleManager()
{
    // Anything still loaded here refused automatic shut-down; its library stays mapped until
    // the process ends, as its code may still be referenced.
}

void FModuleManager::Discover(const std::vector<std::string>& pluginFolders,
                              const std::string& projectPluginsDir)
{
    std::vector<fs::path> descriptors;
    for (const auto& folder : pluginFolders)
    {
        const auto found = DescriptorsIn(folder);
        descriptors.insert(descriptors.end(), found.begin(), found.end());
    }
    const auto projectFolders = EntriesIn(projectPluginsDir,
                                          [](const fs::directory_entry& entry)
                                          {
                                              std::error_code ec;
                                              return entry.is_directory(ec);
                                          });
    for (const auto& folder : projectFolders)
    {
        const auto found = DescriptorsIn(folder);
        descriptors.insert(descriptors.end(), found.begin(), found.end());
    }

    for (const auto& path : descriptors)
    {
        const std::string name = path.stem().string();
        if (Plugins.Find(name))
        {
            Log(LogGeneral, EVerbosity::Warning,
                "Plug-in " + name + " found again in " + path.string() + "; keeping the first one");
            continue;
        }
        std::string text;
        File::ReadAllText(path.string(), text);
        const auto json = nlohmann::json::parse(text, nullptr, /*allow_exceptions=*/false);
        if (!json.is_object())
        {
            Log(LogGeneral, EVerbosity::Error,
                "Plug-in descriptor " + path.string() + " is not a JSON object");
            continue;
        }
        FPluginInfo plugin;
        plugin.Name = name;
        plugin.BaseDir = AsFolder(path.parent_path().string());
        plugin.DescriptorPath = plugin.BaseDir + path.filename().string();
        if (!ReadOptionalString(json, "VersionName", "Plug-in descriptor " + path.string(), plugin.Version))
        {
            continue;
        }
        Plugins.Add(plugin);
        if (const auto modules = json.find("Modules"); modules != json.end() && modules->is_array())
        {
            for (const auto& module : *modules)
            {
                if (!module.is_object() || !module.contains("Name") || !module["Name"].is_string())
                {
                    continue;
                }
                FPluginModuleInfo info{module["Name"].get<std::string>(), {}, name};
                if (ReadOptionalString(module, "Type",
                                       "Plug-in descriptor " + path.string() + ", module " + info.Name,
                                       info.Type))
                {
                    Modules.push_back(std::move(info));
                }
            }
        }
    }
}

std::string FModuleManager::FindLibrary(const FPluginModuleInfo& module) const
{
    const std::string file = "lib" + module.Name + ".so";
    const auto base = Plugins.BaseDir(module.Plugin);
    for (const std::string& folder : {base ? *base + "Binaries/" : std::string(), EngineDir + "bin/"})
    {
        if (!folder.empty() && File::Exists(folder + file))
        {
            return folder + file;
        }
    }
    return {};
}

bool FModuleManager::LoadModule(const std::string& name)
{
    if (IsModuleLoaded(name))
    {
        return true;
    }
    const auto info =
        std::find_if(Modules.begin(), Modules.end(), [&](const auto& m) { return m.Name == name; });
    if (info == Modules.end())
    {
        Log(LogGeneral, EVerbosity::Error, "Module " + name + " belongs to no discovered plug-in");
        return false;
    }
    const std::string path = FindLibrary(*info);
    if (path.empty())
    {
        Log(LogGeneral, EVerbosity::Error,
            "Module " + name + ": lib" + name + ".so is neither in the plug-in's Binaries/ nor in " +
                EngineDir + "bin/");
        return false;
    }
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library)
    {
        Log(LogGeneral, EVerbosity::Error, "Module " + name + ": " + dlerror());
        return false;
    }
    auto* initialize = reinterpret_cast<FInitializeModuleFunc>(dlsym(library, InitializeModuleSymbol));
    IModuleInterface* module = initialize ? initialize() : nullptr;
    if (!module)
    {
        Log(LogGeneral, EVerbosity::Error,
            "Module " + name + ": " + path +
                (initialize ? " returned no module" : " exports no InitializeModule"));
        dlclose(library);
        return false;
    }
    Dl_info where{};
    dladdr(reinterpret_cast<void*>(initialize), &where);
    auto& loaded = *Loaded.emplace_back(std::make_unique<FLoadedModule>());
    loaded.Name = name;
    loaded.Library = library;
    loaded.LibraryBase = where.dli_fbase;
    loaded.Module = module;
    module->StartupModule();
    module->PostLoadCallback();
    Log(LogGeneral, EVerbosity::Log, "Module " + name + " loaded from " + path);
    return true;
}

void FModuleManager::Unload(FLoadedModule& loaded, bool closeLibrary)
{
    loaded.Module->PreUnloadCallback();
    loaded.Module->ShutdownModule();
    delete loaded.Module;
    loaded.Module = nullptr;
    // The library's default objects go before its code does.
    Config.ReleaseObjectsOfLibrary(loaded.LibraryBase);
    if (closeLibrary)
    {
        dlclose(loaded.Library);
    }
    Log(LogGeneral, EVerbosity::Log, "Module " + loaded.Name + " shut down");
}

bool FModuleManager::UnloadModule(const std::string& name)
{
    const auto it =
        std::find_if(Loaded.begin(), Loaded.end(), [&](const auto& m) { return m->Name == name; });
    if (it == Loaded.end() || !(*it)->Module->SupportsDynamicReloading())
    {
        return false;
    }
    Unload(**it, /*closeLibrary=*/true);
    Loaded.erase(it);
    return true;
}

bool FModuleManager::LoadAll()
{
    bool ok = true;
    for (const auto& module : Modules)
    {
        ok = LoadModule(module.Name) && ok;
    }
    return ok;
}

void FModuleManager::ShutdownAll()
{
    for (auto it = Loaded.rbegin(); it != Loaded.rend(); ++it)
    {
        if ((*it)->Module->SupportsAutomaticShutdown())
        {
            // The library stays mapped until the process ends: whatever the plug-in left in the
            // host's registries may still need its code while the host is torn down.
            Unload(**it, /*closeLibrary=*/false);
        }
    }
    std::erase_if(Loaded, [](const auto& m) { return m->Module == nullptr; });
}

bool FModuleManager::IsModuleLoaded(const std::string& name) const
{
    return HostModules.contains(name) ||
           std::any_of(Loaded.begin(), Loaded.end(), [&](const auto& m) { return m->Name == name; });
}

std::string FModuleManager::OwnerName(const void* owner) const
{
    for (const auto& m : Loaded)
    {
        if (m->Module == owner)
        {
            return m->Name;
        }
    }
    return owner ? "unknown owner" : "no owner";
}
} // namespace host
