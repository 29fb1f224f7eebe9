// Literal text made safe inside an HTML or XML element or a double-quoted attribute.
#pragma once

#include <string>
#include <string_view>

namespace util
{
enum class HtmlQuotes
{
    Escape, // `"` becomes &quot; too, for attribute values
    Keep,   // element text only, for readers that take nothing but the three markup characters
};

// Appends `text` with & < > (and ", unless kept) written as entities.
void AppendHtmlEscaped(std::string& out, std::string_view text, HtmlQuotes quotes = HtmlQuotes::Escape);
std::string HtmlEscaped(std::string_view text, HtmlQuotes quotes = HtmlQuotes::Escape);
} // namespace util
