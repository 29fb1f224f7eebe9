// Text from outside (a service's messages, a step's output) made safe to print: it can neither
// move the cursor nor start a line of its own that a reader would take for one of ours.
#pragma once

#include "HostApi.h"

#include <string>
#include <string_view>

namespace host
{
// Control characters and escape sequences become visible escapes ("\x1b", "\r", "\u009b"),
// bytes that are not UTF-8 become "\xNN", and a line break starts an indented continuation
// line, so no later line of the text begins at the margin.
HOST_API std::string VisibleText(std::string_view text);

// Code points the text takes on a terminal, one per character (wide characters are rare in the
// titles and texts shown).
HOST_API std::size_t DisplayWidth(std::string_view text);

// The text cut to at most `columns` characters, ending in "..." when it was cut.
HOST_API std::string FitToWidth(std::string_view text, std::size_t columns);
} // namespace host
