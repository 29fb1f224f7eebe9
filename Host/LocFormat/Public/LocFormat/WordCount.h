// Word counting for the word-count report (and for anyone who prices texts by words).
#pragma once

#include <cstddef>
#include <string_view>

namespace locformat
{
// Words of a localizable text. Markup tags ("<b>", "</b>") and placeholders ("{0}",
// "{PlayerName}") are not words; a run of letters, digits or other non-space characters is one
// word unless it holds only punctuation; every CJK ideograph, kana or hangul syllable counts as
// a word of its own, as those scripts do not separate words with spaces.
std::size_t CountWords(std::string_view text);
} // namespace locformat
