// Configuration-backed objects: one default instance per type, made from its defaults,
// overlaid by the project's default configuration and then the per-user configuration, and
// saved to the per-user file one key per field.
#pragma once

#include "Config.h"
#include "HostApi.h"
#include "Paths.h"

#include <map>
#include <mutex>
#include <string>

namespace host
{
class HOST_API FConfigService final : public IConfig
{
public:
    explicit FConfigService(const IPaths& paths);
    ~FConfigService() override;

    void* DefaultObject(const FStructInfo& type) override;
    bool SaveObject(const FStructInfo& type, const void* object) override;
    // <Project>/Saved/Config/User/<Name>.ini
    std::string UserConfigPath(const std::string& configName) const override;
    // <Project>/Config/Default<Name>.ini; also where non-per-user types are saved.
    std::string ProjectConfigPath(const std::string& configName) const;

    // Destroys the default objects of types defined in the loaded library whose base address is
    // given, before that library is unloaded and their code goes with it.
    void ReleaseObjectsOfLibrary(const void* libraryBase);
    void ReleaseAll();

private:
    void Overlay(const FStructInfo& type, void* object, const std::string& path) const;

    const IPaths& Paths;
    std::mutex Mutex;
    std::map<const FStructInfo*, void*> Objects;
};
} // namespace host
