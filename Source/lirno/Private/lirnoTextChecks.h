// Checks a translated text against its source before it may replace a local value: the
// placeholders and markup tags a game fills in or renders must survive translation.
#pragma once

#include <string>
#include <string_view>

namespace lirno
{
// True when both texts hold the same placeholders ("{0}", "{Name}", "%s", "%5.2f", "%1$d") and
// markup tags ("<b>", "</>", "<font size=2>") as multisets: order is free, counts are not.
// Tags compare exactly as written, attributes included. "{{", "%%" and "a < 3" are plain text.
bool HaveSameMarkers(std::string_view source, std::string_view translation);

// What the translation lost or gained, for a log line: "missing {PlayerName}; extra %d".
// Empty when the markers agree; bounded in length whatever the texts hold.
std::string DescribeMarkerDifference(std::string_view source, std::string_view translation);
} // namespace lirno
