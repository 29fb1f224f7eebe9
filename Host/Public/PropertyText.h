// A reflected property's value as the text of an ini line or a settings page: an enumeration by
// display name, a bool as true/false, an integer array as "(1,2,3)", a nested record as compact
// JSON. Kept apart from Reflection.h so that the type descriptions do not depend on JSON.
#pragma once

#include "HostApi.h"
#include "Reflection.h"

#include <string>

namespace host
{
HOST_API std::string PropertyToText(const FPropertyInfo& property, const void* object);
// False, with the field unchanged, when the text does not fit the property's type.
HOST_API bool PropertyFromText(const FPropertyInfo& property, void* object, const std::string& text);
} // namespace host
