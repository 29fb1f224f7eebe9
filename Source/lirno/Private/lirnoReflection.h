// Helpers for describing the plug-in's reflected types.
#pragma once

#include "Reflection.h"

#include <string>

namespace lirno
{
// The package every reflected type of the plug-in is registered under.
inline constexpr const char* ScriptPackage = "/Script/lirno";

// A description with the package, name and the construct/destroy pair filled in.
template <class T> host::FStructInfo MakeRecordInfo(std::string name)
{
    host::FStructInfo s;
    s.Package = ScriptPackage;
    s.Name = std::move(name);
    s.Construct = []() -> void* { return new T(); };
    s.Destroy = [](void* object) { delete static_cast<T*>(object); };
    return s;
}
} // namespace lirno
