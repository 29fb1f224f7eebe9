// RFC 4648 base64, standard alphabet, "=" padding, no line breaks: the form the plug-in sends
// in its headers and expects in file_b64.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lirno::service
{
std::string Base64Encode(std::string_view bytes);
// Strict: any character outside the alphabet, or bad padding, gives nothing.
std::optional<std::string> Base64Decode(std::string_view text);
} // namespace lirno::service
