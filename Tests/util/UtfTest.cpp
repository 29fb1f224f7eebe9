#include "Util/Utf.h"

#include <gtest/gtest.h>

namespace util
{
TEST(Utf, ValidTextRoundTripsInEveryLength)
{
    // One, two, three and four bytes; the last needs a surrogate pair.
    const std::string text = "A\xC3\xA9\xE6\x97\xA5\xF0\x9F\x98\x80";
    const std::u16string wide = Utf8ToUtf16(text);
    EXPECT_EQ(wide, (std::u16string{u'A', 0x00E9, 0x65E5, 0xD83D, 0xDE00}));
    EXPECT_EQ(Utf16ToUtf8(wide), text);
    EXPECT_EQ(Utf8ToUtf16(""), u"");
    EXPECT_EQ(CountCodePoints(text), 4u);
}

TEST(Utf, MalformedUtf8BecomesReplacementsWithoutSwallowingWhatFollows)
{
    const char16_t R = 0xFFFD;
    // A sequence cut short: the byte that cut it is read again as the start of the next one.
    EXPECT_EQ(Utf8ToUtf16(std::string("\xE6\x97") + "A"), (std::u16string{R, u'A'}));
    EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x98"), (std::u16string{R}));
    // Stray continuation bytes and bytes that lead nothing: one replacement each.
    EXPECT_EQ(Utf8ToUtf16(std::string("\x80\xBF\xFF") + "b"), (std::u16string{R, R, R, u'b'}));
    // Overlong forms, encoded surrogates and values past U+10FFFF: one for the whole sequence.
    EXPECT_EQ(Utf8ToUtf16(std::string("\xC0\xAF") + "c"), (std::u16string{R, u'c'}));
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), (std::u16string{R}));
    EXPECT_EQ(Utf8ToUtf16("\xF4\x90\x80\x80"), (std::u16string{R}));
}

TEST(Utf, UnpairedSurrogatesBecomeReplacements)
{
    const std::string R = "\xEF\xBF\xBD";
    EXPECT_EQ(Utf16ToUtf8(std::u16string{0xD83D, u'x'}), R + "x");
    EXPECT_EQ(Utf16ToUtf8(std::u16string{0xDE00, 0xD83D}), R + R);
}
} // namespace util
