#include "Reflection.h"

#include "StringUtil.h"

#include <algorithm>
#include <mutex>

namespace host
{
namespace
{
struct FTypeRegistry
{
    std::mutex Mutex;
    std::vector<const FStructInfo*> Structs;
    std::vector<const FEnumInfo*> Enums;
};

// Filled by static objects of several libraries; never destroyed so that their destructors
// can still unregister during process exit.
FTypeRegistry& Types()
{
    static auto* registry = new FTypeRegistry;
    return *registry;
}

std::string EnumPathName(const FEnumInfo& type)
{
    return type.Package + "." + type.Name;
}
} // namespace

const FEnumInfo::FValue* FEnumInfo::FindByValue(std::int32_t value) const
{
    for (const auto& v : Values)
    {
        if (v.Value == value)
        {
            return &v;
        }
    }
    return nullptr;
}

const FEnumInfo::FValue* FEnumInfo::FindByName(const std::string& name) const
{
    for (const auto& v : Values)
    {
        if (EqualsIgnoreCase(v.Name, name) || EqualsIgnoreCase(v.DisplayName, name))
        {
            return &v;
        }
    }
    return nullptr;
}

const FPropertyInfo* FStructInfo::FindProperty(const std::string& name) const
{
    for (const auto& p : Properties)
    {
        if (p.Name == name)
        {
            return &p;
        }
    }
    for (const auto& p : Properties)
    {
        if (EqualsIgnoreCase(p.Name, name))
        {
            return &p;
        }
    }
    return nullptr;
}

void RegisterStruct(const FStructInfo& type)
{
    auto& r = Types();
    std::lock_guard lock(r.Mutex);
    if (std::find(r.Structs.begin(), r.Structs.end(), &type) == r.Structs.end())
    {
        r.Structs.push_back(&type);
    }
}

void RegisterEnum(const FEnumInfo& type)
{
    auto& r = Types();
    std::lock_guard lock(r.Mutex);
    if (std::find(r.Enums.begin(), r.Enums.end(), &type) == r.Enums.end())
    {
        r.Enums.push_back(&type);
    }
}

void UnregisterStruct(const FStructInfo& type)
{
    auto& r = Types();
    std::lock_guard lock(r.Mutex);
    std::erase(r.Structs, &type);
}

void UnregisterEnum(const FEnumInfo& type)
{
    auto& r = Types();
    std::lock_guard lock(r.Mutex);
    std::erase(r.Enums, &type);
}

const FStructInfo* FindStruct(const std::string& pathName)
{
    auto& r = Types();
    std::lock_guard lock(r.Mutex);
    for (const auto* s : r.Structs)
    {
        if (s->PathName() == pathName)
        {
            return s;
        }
    }
    return nullptr;
}

const FEnumInfo* FindEnum(const std::string& pathName)
{
    auto& r = Types();
    std::lock_guard lock(r.Mutex);
    for (const auto* e : r.Enums)
    {
        if (EnumPathName(*e) == pathName)
        {
            return e;
        }
    }
    return nullptr;
}

std::vector<const FStructInfo*> RegisteredStructs()
{
    auto& r = Types();
    std::lock_guard lock(r.Mutex);
    return r.Structs;
}
} // namespace host
