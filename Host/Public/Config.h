// Configuration: ini files, and configuration-backed objects whose single default instance is
// created on first use, overlaid from the per-user configuration, and saved back on request.
#pragma once

#include "HostApi.h"
#include "Reflection.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace host
{
// An ini document: ordered sections of ordered key/value lines. A key may repeat.
class HOST_API FIniDocument
{
public:
    struct FSection
    {
        std::string Name;
        std::vector<std::pair<std::string, std::string>> Values;
    };

    static FIniDocument Parse(const std::string& text);
    static std::optional<FIniDocument> Load(const std::string& path);
    std::string ToString() const;
    bool Save(const std::string& path) const;

    // First value of a key; section and key names compare without regard to letter case.
    std::optional<std::string> Get(const std::string& section, const std::string& key) const;
    // Replaces the first value of the key, or appends it (and the section) when absent.
    void Set(const std::string& section, const std::string& key, const std::string& value);
    // Appends a line even when the key exists (for lists such as repeated "+Key=" lines).
    void Add(const std::string& section, const std::string& key, const std::string& value);
    std::vector<std::string> GetAll(const std::string& section, const std::string& key) const;
    const FSection* FindSection(const std::string& section) const;

    std::vector<FSection> Sections;
};

// One key of one section of any ini file; nothing when the file, section or key is absent.
HOST_API std::optional<std::string> ReadIniValue(const std::string& path, const std::string& section,
                                                 const std::string& key);

class IConfig
{
public:
    virtual ~IConfig() = default;
    // The type's single default instance, created, defaulted and overlaid from configuration on
    // first use. Owned by the host; never copied.
    virtual void* DefaultObject(const FStructInfo& type) = 0;
    // Writes every Config property of the object to its configuration section, one key per field.
    virtual bool SaveObject(const FStructInfo& type, const void* object) = 0;
    // The per-user configuration file that holds a configuration name ("Engine").
    virtual std::string UserConfigPath(const std::string& configName) const = 0;
};

// The section a configuration-backed type is saved in: "/Script/lirno.lirnoSetting".
inline std::string ConfigSectionName(const FStructInfo& type) { return type.PathName(); }
} // namespace host
