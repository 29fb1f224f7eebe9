// Run-time descriptions of records, enumerations and configuration-backed objects: field
// names, types and order. The JSON converter (Json.h) and a property's text form
// (PropertyText.h) work from them; this unit knows neither.
#pragma once

#include "HostApi.h"
#include "Text.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace host
{
struct FStructInfo;

struct HOST_API FEnumInfo
{
    std::string Package; // e.g. "/Script/lirno"
    std::string Name;
    struct FValue
    {
        std::int32_t Value;
        std::string Name;        // enumerator
        std::string DisplayName; // shown on settings pages
    };
    std::vector<FValue> Values; // declaration order

    const FValue* FindByValue(std::int32_t value) const;
    // Accepts an enumerator or display name, without regard to letter case.
    const FValue* FindByName(const std::string& name) const;
};

enum class EPropertyType
{
    Int32,
    Double,
    Bool,
    String,
    Enum,       // stored as a signed 32-bit value
    Int32Array, // std::vector<std::int32_t>
    Struct,     // a nested reflected record
};

struct FPropertyInfo
{
    std::string Name;
    EPropertyType Type = EPropertyType::Int32;
    std::function<void*(void*)> Address; // field address within an object of the owner type
    const FStructInfo* Struct = nullptr;  // for Struct
    const FEnumInfo* Enum = nullptr;      // for Enum
    std::string Category;                 // settings page category
    std::string Tooltip;                  // settings page description; may be empty
    bool Config = false;                  // saved to and loaded from configuration

    template <class T, class M> static FPropertyInfo Make(std::string name, M T::*member, EPropertyType type)
    {
        FPropertyInfo p;
        p.Name = std::move(name);
        p.Type = type;
        p.Address = [member](void* object) -> void* { return &(static_cast<T*>(object)->*member); };
        return p;
    }
    const void* Get(const void* object) const { return Address(const_cast<void*>(object)); }
};

struct HOST_API FStructInfo
{
    std::string Package; // e.g. "/Script/lirno"
    std::string Name;    // type name without its prefix, e.g. "lirnoSetting"
    std::vector<FPropertyInfo> Properties;
    // Configuration-backed objects only: the configuration file name ("Engine") and whether the
    // values are saved per user. Empty ConfigName means the type is not configuration-backed.
    std::string ConfigName;
    bool PerUserConfig = true;
    // Makes a default-constructed instance and destroys one; needed for default objects.
    std::function<void*()> Construct;
    std::function<void(void*)> Destroy;

    const FPropertyInfo* FindProperty(const std::string& name) const;
    // "/Script/lirno.lirnoSetting"
    std::string PathName() const { return Package + "." + Name; }
};

// Process-wide registry of reflected types, filled by static registration in each library.
HOST_API void RegisterStruct(const FStructInfo& type);
HOST_API void RegisterEnum(const FEnumInfo& type);
HOST_API void UnregisterStruct(const FStructInfo& type);
HOST_API void UnregisterEnum(const FEnumInfo& type);
HOST_API const FStructInfo* FindStruct(const std::string& pathName);
HOST_API const FEnumInfo* FindEnum(const std::string& pathName);
HOST_API std::vector<const FStructInfo*> RegisteredStructs();
} // namespace host
