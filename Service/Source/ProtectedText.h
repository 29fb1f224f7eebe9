// The parts of a game text no provider may touch: placeholders ({0}, {PlayerName}, %s),
// markup (<b>, </>, <img src="x"/>), character entities (&amp;) and line breaks. Providers
// translate only the literal runs between them, and every result is checked against them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lirno::service
{
struct TextSegment
{
    std::string_view text;
    bool is_protected = false;
};

// Literal and protected runs in order; joining their texts gives the input back.
std::vector<TextSegment> SplitProtected(std::string_view text);

// True when the translation holds exactly the source's protected runs (order may change, as
// word order does between languages).
bool ProtectedRunsIntact(std::string_view source, std::string_view translation);
} // namespace lirno::service
