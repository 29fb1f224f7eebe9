// ASCII case folding, as the host compares names, keys and verbs: only A-Z and a-z fold, never
// a byte of a UTF-8 sequence, whatever the locale.
#pragma once

#include "HostApi.h"

#include <string>
#include <string_view>

namespace host
{
HOST_API std::string ToLowerAscii(std::string_view text);
HOST_API bool EqualsIgnoreCase(std::string_view a, std::string_view b);
HOST_API bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix);
} // namespace host
