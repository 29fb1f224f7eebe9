#include "ConfigService.h"

#include "Log.h"
#include "PropertyText.h"

#include <cerrno>
#include <dlfcn.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace host
{
namespace
{
// Per-user settings may hold secrets (API keys): the file is readable by its owner only from
// the moment it exists, written beside the target and renamed over it so that a failed write
// never leaves half a file.
bool WriteOwnerOnly(const std::string& path, const std::string& text)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::create_directories(fs::path(path).parent_path(), ec);
    const std::string temp = path + ".tmp" + std::to_string(::getpid());
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
    {
        return false;
    }
    bool ok = ::fchmod(fd, 0600) == 0; // an old leftover of ours may have had a wider mode
    for (std::size_t done = 0; ok && done < text.size();)
    {
        const ssize_t count = ::write(fd, text.data() + done, text.size() - done);
        if (count < 0 && errno == EINTR)
        {
            continue;
        }
        ok = count > 0;
        done += ok ? static_cast<std::size_t>(count) : 0;
    }
    ok = ::close(fd) == 0 && ok;
    if (ok)
    {
        fs::rename(temp, path, ec);
        ok = !ec;
    }
    if (!ok)
    {
        fs::remove(temp, ec);
    }
    return ok;
}
} // namespace

FConfigService::FConfigService(const IPaths& paths) : Paths(paths) {}

FConfigService::~FConfigService()
{
    ReleaseAll();
}

std::string FConfigService::UserConfigPath(const std::string& configName) const
{
    return Paths.ProjectSavedDir() + "Config/User/" + configName + ".ini";
}

std::string FConfigService::ProjectConfigPath(const std::string& configName) const
{
    return Paths.ProjectConfigDir() + "Default" + configName + ".ini";
}

void FConfigService::Overlay(const FStructInfo& type, void* object, const std::string& path) const
{
    const auto doc = FIniDocument::Load(path);
    if (!doc)
    {
        return;
    }
    const std::string section = ConfigSectionName(type);
    for (const auto& property : type.Properties)
    {
        if (!property.Config)
        {
            continue;
        }
        const auto value = doc->Get(section, property.Name);
        if (value && !PropertyFromText(property, object, *value))
        {
            Log(LogGeneral, EVerbosity::Warning,
                "Ignoring " + section + " " + property.Name + "=" + *value + " in " + path +
                    ": not a valid value; keeping " + PropertyToText(property, object));
        }
    }
}

void* FConfigService::DefaultObject(const FStructInfo& type)
{
    std::lock_guard lock(Mutex);
    if (const auto it = Objects.find(&type); it != Objects.end())
    {
        return it->second;
    }
    if (!type.Construct)
    {
        Log(LogGeneral, EVerbosity::Error, "Type " + type.PathName() + " cannot be constructed");
        return nullptr;
    }
    void* object = type.Construct();
    if (!type.ConfigName.empty())
    {
        Overlay(type, object, ProjectConfigPath(type.ConfigName));
        if (type.PerUserConfig)
        {
            Overlay(type, object, UserConfigPath(type.ConfigName));
        }
    }
    Objects.emplace(&type, object);
    return object;
}

bool FConfigService::SaveObject(const FStructInfo& type, const void* object)
{
    if (type.ConfigName.empty() || !object)
    {
        return false;
    }
    const std::string path =
        type.PerUserConfig ? UserConfigPath(type.ConfigName) : ProjectConfigPath(type.ConfigName);
    FIniDocument doc;
    if (File::Exists(path))
    {
        auto loaded = FIniDocument::Load(path);
        if (!loaded)
        {
            // Never replace a file we could not read: it would lose every other section.
            Log(LogGeneral, EVerbosity::Error, "Cannot read " + path + "; settings not saved");
            return false;
        }
        doc = std::move(*loaded);
    }
    const std::string section = ConfigSectionName(type);
    for (const auto& property : type.Properties)
    {
        if (property.Config)
        {
            doc.Set(section, property.Name, PropertyToText(property, object));
        }
    }
    if (!(type.PerUserConfig ? WriteOwnerOnly(path, doc.ToString()) : doc.Save(path)))
    {
        Log(LogGeneral, EVerbosity::Error, "Cannot write " + path);
        return false;
    }
    return true;
}

void FConfigService::ReleaseObjectsOfLibrary(const void* libraryBase)
{
    std::lock_guard lock(Mutex);
    for (auto it = Objects.begin(); it != Objects.end();)
    {
        Dl_info info{};
        if (dladdr(it->first, &info) != 0 && info.dli_fbase == libraryBase)
        {
            if (it->first->Destroy)
            {
                it->first->Destroy(it->second);
            }
            it = Objects.erase(it);
        }
        else
        {
            ++it;
        }
    }
}

void FConfigService::ReleaseAll()
{
    std::lock_guard lock(Mutex);
    for (const auto& [type, object] : Objects)
    {
        if (type->Destroy)
        {
            type->Destroy(object);
        }
    }
    Objects.clear();
}
} // namespace host
