#include "Util/AsciiCase.h"

#include <gtest/gtest.h>

namespace util
{
TEST(AsciiCase, FoldsOnlyTheAsciiLetters)
{
    EXPECT_TRUE(EqualsIgnoreCase("Content-Type", "content-TYPE"));
    EXPECT_EQ(ToLowerAscii("PoST /Api"), "post /api");
    // Neighbours of the letters that a bit trick (| 0x20) would wrongly fold together.
    EXPECT_FALSE(EqualsIgnoreCase("@[\\]^", "`{|}~"));
    // UTF-8 and Latin-1 bytes never fold, so "É" is not "é" and a sequence is never broken.
    EXPECT_FALSE(EqualsIgnoreCase("\xC3\x89", "\xC3\xA9"));
    EXPECT_FALSE(EqualsIgnoreCase("\xC9", "\xE9"));
    EXPECT_EQ(ToLowerAscii("\xC3\x89T\xC9"), "\xC3\x89t\xC9");
    EXPECT_FALSE(EqualsIgnoreCase("abc", "ab"));
    EXPECT_FALSE(EqualsIgnoreCase("", "a"));
}

TEST(AsciiCase, StartsWithComparesThePrefixOnly)
{
    EXPECT_TRUE(StartsWithIgnoreCase("QPS-ploc", "qps-"));
    EXPECT_TRUE(StartsWithIgnoreCase("de", ""));
    EXPECT_FALSE(StartsWithIgnoreCase("qp", "qps-"));
    EXPECT_FALSE(StartsWithIgnoreCase("xqps-", "qps-"));
}
} // namespace util
