#include "LocFormat/WordCount.h"
#include "LocFormat/WordCountReport.h"

#include <gtest/gtest.h>

namespace
{
TEST(WordCount, MarkupPlaceholdersAndPunctuationAreNotWords)
{
    EXPECT_EQ(locformat::CountWords(""), 0u);
    EXPECT_EQ(locformat::CountWords("Hello, {PlayerName}! Welcome to the village."), 5u);
    EXPECT_EQ(locformat::CountWords("<b>Quest updated:</b> {QuestName}"), 2u);
    EXPECT_EQ(locformat::CountWords("<font size=\"2\">small</font> - text ..."), 2u);
    EXPECT_EQ(locformat::CountWords("Picked up {Count} × {ItemName}"), 2u);
    EXPECT_EQ(locformat::CountWords("a<b"), 1u) << "a lone angle bracket is text";
    EXPECT_EQ(locformat::CountWords("don't  stop\n\tnow"), 3u);
    EXPECT_EQ(locformat::CountWords(std::string(1 << 20, '<') + "x"), 1u) << "and quickly";
}

TEST(WordCount, EachCjkCharacterIsAWord)
{
    EXPECT_EQ(locformat::CountWords("ようこそ、村へ"), 6u);
    EXPECT_EQ(locformat::CountWords("Level 5 レベル"), 5u);
}

TEST(WordCountReport, NewCultureAddsAColumnAndEarlierRowsStayAligned)
{
    locformat::FWordCountReport report;
    report.AppendRow({{"Date/Time", "d1"}, {"Source", "10"}, {"en", "10"}});
    report.AppendRow({{"Date/Time", "d2"}, {"Source", "12"}, {"de", "3"}, {"en", "12"}});
    const std::string text = locformat::FormatWordCountReport(report);
    EXPECT_EQ(text, "Date/Time,Source,en,de\nd1,10,10,\nd2,12,12,3\n");

    locformat::FWordCountReport read;
    std::string error;
    ASSERT_TRUE(locformat::ParseWordCountReport(text, "r.csv", read, error)) << error;
    EXPECT_EQ(read.Rows, report.Rows);
    EXPECT_FALSE(locformat::ParseWordCountReport("a,b\n1,2,3\n", "r.csv", read, error));
    EXPECT_EQ(error, "r.csv:2: more cells than the header has columns");
}
} // namespace
