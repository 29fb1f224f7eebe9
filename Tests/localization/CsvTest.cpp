#include "LocFormat/Csv.h"

#include <gtest/gtest.h>

namespace
{
TEST(Csv, QuotedFieldsLineEndsAndByteOrderMark)
{
    const std::string text = "\xEF\xBB\xBFKey,Source\r\n"
                             "A,\"Hello, \"\"you\"\"\"\r\n"
                             "\n"
                             "B,\"two\nlines\"\n"
                             "C,\n";
    std::vector<locformat::FCsvRow> rows;
    std::string error;
    ASSERT_TRUE(locformat::ParseCsv(text, "t.csv", rows, error)) << error;
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].Fields, (std::vector<std::string>{"Key", "Source"}));
    EXPECT_EQ(rows[1].Fields[1], "Hello, \"you\"");
    EXPECT_EQ(rows[2].Fields[1], "two\nlines");
    EXPECT_EQ(rows[2].Line, 4u);
    EXPECT_EQ(rows[3].Line, 6u) << "lines inside quotes count";
    EXPECT_EQ(rows[3].Fields, (std::vector<std::string>{"C", ""}));
}

TEST(Csv, MalformedQuotingNamesFileAndLine)
{
    std::vector<locformat::FCsvRow> rows;
    std::string error;
    EXPECT_FALSE(locformat::ParseCsv("a,b\nc,\"open\n", "t.csv", rows, error));
    EXPECT_EQ(error, "t.csv:2: quoted field is not closed");
    EXPECT_FALSE(locformat::ParseCsv("a,\"b\"x\n", "t.csv", rows, error));
    EXPECT_EQ(error, "t.csv:1: unexpected text after a closing quote");
}

TEST(Csv, FormattedRowsParseBack)
{
    const std::vector<std::string> fields{"plain", "a,b", "say \"hi\"", "line\nbreak", " padded ", ""};
    std::vector<locformat::FCsvRow> rows;
    std::string error;
    ASSERT_TRUE(locformat::ParseCsv(locformat::FormatCsvRow(fields), "t.csv", rows, error));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].Fields, fields);
}
} // namespace
