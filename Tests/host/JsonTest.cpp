#include "Json.h"
#include "TestRecords.h"

#include <gtest/gtest.h>

using namespace host;
using namespace host::test;

namespace
{
std::string ReadCapturingWarnings(std::string_view json, FOuter& record, bool& ok)
{
    testing::internal::CaptureStderr();
    ok = JsonToRecord(json, record);
    return testing::internal::GetCapturedStderr();
}
} // namespace

TEST(JsonWriter, WritesEveryFieldInOrderWithTabsAndNoNulls)
{
    FOuter record;
    const std::string json = RecordToJson(record);
    EXPECT_EQ(json,
              "{\n\t\"Status\": 0,\n\t\"Msg\": \"\",\n\t\"Content\": {\n\t\t\"Ids\": [],\n\t\t\"Count\": 0,\n"
              "\t\t\"Text\": \"\",\n\t\t\"Fraction\": 0.0\n\t}\n}");
}

TEST(JsonWriter, EscapesStringsAndSurvivesInvalidUtf8)
{
    FOuter record;
    record.Msg = "a\"b\\c\nd";
    record.Content.Text = std::string("bad\xff", 4);
    const std::string json = RecordToJson(record);
    EXPECT_NE(json.find(R"("a\"b\\c\nd")"), std::string::npos);
    FOuter back;
    ASSERT_TRUE(JsonToRecord(json, back));
    EXPECT_EQ(back.Msg, record.Msg);
}

TEST(JsonRoundTrip, DoublesAndArraysReadBackExactly)
{
    FOuter record;
    record.Status = -7;
    record.Content.Ids = {1, -2, 2147483647};
    for (double d : {0.1, 1.0 / 3.0, 99.99999999999999, 1e-300, 100.0})
    {
        record.Content.Fraction = d;
        FOuter back;
        ASSERT_TRUE(JsonToRecord(RecordToJson(record), back));
        EXPECT_EQ(back.Content.Fraction, d);
        EXPECT_EQ(back.Content.Ids, record.Content.Ids);
        EXPECT_EQ(back.Status, -7);
    }
}

TEST(JsonReader, NotAnObjectLeavesRecordAndWarnsWithWholeText)
{
    const std::pair<std::string, std::string> cases[] = {
        {"", "parse error at line 1, column 1: syntax error while parsing value - unexpected end of input; "
             "expected '[', '{', or a literal"},
        {"[1,2]", "the document is an array, not an object"},
        {"{\"Status\": 4", "parse error at line 1, column 13: syntax error while parsing object - unexpected end "
                          "of input; expected '}'"},
        {"42", "the document is 42, not an object"}};
    for (const auto& [text, reason] : cases)
    {
        FOuter record;
        record.Status = 5;
        bool ok = true;
        const std::string log = ReadCapturingWarnings(text, record, ok);
        EXPECT_FALSE(ok) << text;
        EXPECT_EQ(record.Status, 5);
        EXPECT_EQ(log, "LogJson: Warning: JsonObjectStringToUStruct - Unable to parse json=[" + text + "]: " +
                           reason + "\n");
    }
}

TEST(JsonReader, MatchesNamesWithoutCaseAndIgnoresUnknownMembers)
{
    FOuter record;
    record.Msg = "kept";
    bool ok = false;
    const std::string log = ReadCapturingWarnings(
        R"({"status": 3, "Extra": {"x": 1}, "content": {"IDS": [4, 5], "fraction": 12.5}})", record, ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(log, "");
    EXPECT_EQ(record.Status, 3);
    EXPECT_EQ(record.Msg, "kept");
    EXPECT_EQ(record.Content.Ids, (std::vector<std::int32_t>{4, 5}));
    EXPECT_EQ(record.Content.Fraction, 12.5);
}

TEST(JsonReader, ValueThatDoesNotFitKeepsEarlierFieldsAndWarns)
{
    const std::string text = R"({"Status": 2, "Msg": 17, "Content": {"Count": 9}})";
    FOuter record;
    bool ok = true;
    const std::string log = ReadCapturingWarnings(text, record, ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(record.Status, 2);
    EXPECT_EQ(record.Content.Count, 0);
    EXPECT_EQ(log,
              "LogJson: Warning: JsonObjectStringToUStruct - Unable to deserialize. json=[" + text +
                  "]: member Msg: expected a string, found 17\n");
}

TEST(JsonReader, IntegerFieldsRefuseFractionsOverflowAndNull)
{
    for (const std::string text : {R"({"Status": 1.5})", R"({"Status": 4294967296})", R"({"Status": null})",
                                   R"({"Status": "3"})", R"({"Content": {"Ids": [1, "x"]}})"})
    {
        FOuter record;
        bool ok = true;
        ReadCapturingWarnings(text, record, ok);
        EXPECT_FALSE(ok) << text;
        EXPECT_EQ(record.Status, 0) << text;
        EXPECT_TRUE(record.Content.Ids.empty()) << text;
    }
    FOuter record;
    bool ok = true;
    // The reason names the nested member and the element at fault.
    const std::string log = ReadCapturingWarnings(R"({"Content": {"Ids": [1, "x"]}})", record, ok);
    EXPECT_NE(log.find("]: member Content.Ids: element 1 is a string, not a whole number within 32 bits\n"),
              std::string::npos)
        << log;
    EXPECT_TRUE(JsonToRecord(R"({"Status": 3.0})", record));
    EXPECT_EQ(record.Status, 3);
}

TEST(JsonPretty, IndentsWithTabs)
{
    nlohmann::ordered_json value = {{"b", 1}, {"a", {{"c", "d"}}}};
    EXPECT_EQ(WriteJsonPretty(value), "{\n\t\"b\": 1,\n\t\"a\": {\n\t\t\"c\": \"d\"\n\t}\n}");
}

TEST(JsonReader, ReadsEscapesNestingLargeTextAndTheLastOfRepeatedMembers)
{
    const std::string large(3 * 1024 * 1024 + 7, 'Q');
    const std::string text = R"({"Msg": "first", "Content": {"Text": ")" + large +
                             R"(", "Ids": [[], 1], "Skip": [{"a": [null, true, -2, 1e3]}]},)"
                             R"( "Msg": "tab\t \u00e9 \"q\"", "Status": 7})";
    FOuter record;
    bool ok = false;
    ReadCapturingWarnings(text, record, ok);
    // "Ids" holds a nested array, which does not fit: fields after it stay as they were.
    EXPECT_FALSE(ok);
    EXPECT_EQ(record.Msg, "tab\t \xc3\xa9 \"q\"");
    EXPECT_TRUE(record.Content.Text.empty());

    FOuter good;
    ReadCapturingWarnings(R"({"Content": {"Ids": [1, 2], "Text": ")" + large + R"("}, "Status": 7})", good, ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(good.Content.Text, large);
    EXPECT_EQ(good.Status, 7);
}

TEST(JsonReader, HostileNestingAndTruncatedTextAreRefusedWithoutCrashing)
{
    const std::string deep = "{\"Msg\":" + std::string(200000, '[') + std::string(200000, ']') + "}";
    const std::string open = "{\"Msg\":" + std::string(200000, '[');
    // A member after a deep one once copied the deep one recursively, past the stack's end.
    const std::string followed =
        "{\"Extra\":" + std::string(1000000, '[') + std::string(1000000, ']') + ",\"Msg\":\"x\"}";
    std::string tinyValues = "{\"Extra\":[0";
    for (int i = 0; i < (1 << 20); ++i)
    {
        tinyValues += ",0";
    }
    tinyValues += "],\"Msg\":\"x\"}";
    for (const std::string& text : {deep, open, followed, tinyValues, std::string(R"({"Msg": "unterminated)")})
    {
        FOuter record;
        bool ok = true;
        ReadCapturingWarnings(text, record, ok);
        EXPECT_FALSE(ok);
        EXPECT_EQ(record.Msg, "");
    }
}

TEST(JsonReader, ModeratelyDeepAndVeryWideMembersAreRead)
{
    const std::string deep = R"({"Extra": )" + std::string(500, '[') + std::string(500, ']') + R"(, "Status": 4})";
    // A hundred thousand names: matching each new one against all before it would take minutes.
    std::string wide = "{";
    for (int i = 0; i < 100000; ++i)
    {
        wide += "\"k" + std::to_string(i) + "\": " + std::to_string(i) + ", ";
    }
    wide += R"("Status": 4})";
    for (const std::string& text : {deep, wide})
    {
        FOuter record;
        bool ok = false;
        ReadCapturingWarnings(text, record, ok);
        EXPECT_TRUE(ok);
        EXPECT_EQ(record.Status, 4);
    }
}

TEST(JsonReader, BytesThatAreNotUtf8BecomeReplacementCharacters)
{
    // A lone Latin-1 byte, a truncated sequence before an ASCII byte, an overlong encoding.
    const std::string text = "{\"Status\": 1, \"Msg\": \"caf\xE9 \xE2\x82x \xC0\xAF\", "
                             "\"Content\": {\"Text\": \"ok \xF0\x9F\x98\x80 \xFF\"}}";
    FOuter record;
    bool ok = false;
    const std::string log = ReadCapturingWarnings(text, record, ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(log, "");
    EXPECT_EQ(record.Status, 1);
    EXPECT_EQ(record.Msg, "caf\xEF\xBF\xBD \xEF\xBF\xBD\xEF\xBF\xBDx \xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(record.Content.Text, "ok \xF0\x9F\x98\x80 \xEF\xBF\xBD");
}

TEST(JsonReader, LongTextsAreQuotedByTheirStartInWarnings)
{
    // The cut falls inside the two bytes of "\u00e9" and moves before them.
    const std::string notAnObject = std::string(299, '[') + "\xC3\xA9" + std::string(100000, 'x');
    const std::string doesNotFit = R"({"Status": "7", "Msg": ")" + std::string(100000, 'm') + "\"}";
    FOuter record;
    bool ok = true;
    EXPECT_EQ(ReadCapturingWarnings(notAnObject, record, ok),
              "LogJson: Warning: JsonObjectStringToUStruct - Unable to parse json=[" + std::string(299, '[') +
                  "... (100301 bytes)]: parse error at line 1, column 300: syntax error while parsing value - "
                  "invalid literal\n");
    EXPECT_EQ(ReadCapturingWarnings(doesNotFit, record, ok),
              "LogJson: Warning: JsonObjectStringToUStruct - Unable to deserialize. json=[" +
                  doesNotFit.substr(0, 300) + "... (" + std::to_string(doesNotFit.size()) +
                  " bytes)]: member Status: expected a whole number within 32 bits, found a string\n");
}
