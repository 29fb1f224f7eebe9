// Parsing JSON text into a document without copying its strings: the parser's text is moved
// into the document, so a response carrying megabytes of base64 is held once, not twice.
#pragma once

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <string_view>

namespace host
{
// Nothing when the text is not valid JSON; then `reason`, when given, says what was wrong and
// where.
std::optional<nlohmann::ordered_json> ParseJsonDocument(std::string_view text, std::string* reason = nullptr);
} // namespace host
