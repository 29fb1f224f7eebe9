#include "Records.h"
#include "VersionCompare.h"
#include "lirnoProtocol.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace lirno::service
{
TEST(Records, EnvelopeCarriesEveryFieldUnderItsName)
{
    Envelope envelope;
    envelope.Status = 1;
    envelope.Content.TaskidList = {7};
    envelope.Content.CompletionProgress = 37.5;
    const auto j = nlohmann::json::parse(EnvelopeToText(envelope));
    EXPECT_EQ(j["Status"], 1);
    EXPECT_EQ(j["Msg"], "");
    const auto& content = j["Content"];
    for (const char* name :
         {"TaskidList", "CharCount", "UserID", "CompletedCharCount", "UsedCharCount",
          "UserTransLimit_LastCharCount", "file_b64", "result_errormsg", "result_msg", "CompletionProgress"})
        EXPECT_TRUE(content.contains(name)) << name;
    EXPECT_EQ(content["file_b64"], ""); // empty strings, never null
    EXPECT_EQ(content["TaskidList"], nlohmann::json::array({7}));
}

TEST(Records, ReadsNamesInAnyCaseAndLeavesAbsentOnesZero)
{
    std::string error;
    const auto record = ParseTaskRecord(R"({"taskidlist":[12,13],"CHARCOUNT":40,"Unknown":true})", error);
    ASSERT_TRUE(record) << error;
    EXPECT_EQ(record->TaskidList, (std::vector<std::int32_t>{12, 13}));
    EXPECT_EQ(record->CharCount, 40);
    EXPECT_EQ(record->UserID, 0);
    EXPECT_EQ(record->file_b64, "");
}

TEST(Records, RejectsWhatIsNotATaskRecord)
{
    std::string error;
    for (const char* text : {"", "[]", "{", "nope", R"({"TaskidList":"7"})", R"({"TaskidList":[1.5]})",
                             R"({"CharCount":"many"})", R"({"TaskidList":[99999999999]})"})
    {
        EXPECT_FALSE(ParseTaskRecord(text, error)) << text;
        EXPECT_FALSE(error.empty());
    }
}

TEST(ByteShift, WrapsAroundModulo256)
{
    std::string bytes("\xDF\xFF\x00", 3);
    protocol::ShiftBytes(bytes, protocol::UploadShift);
    EXPECT_EQ(bytes, std::string("\x00\x20\x21", 3));
    protocol::UnshiftBytes(bytes, protocol::UploadShift);
    EXPECT_EQ(bytes, std::string("\xDF\xFF\x00", 3));
}

TEST(VersionCompare, ComparesNumericallyPartByPart)
{
    EXPECT_GT(CompareVersions("1.10", "1.9"), 0);
    EXPECT_EQ(CompareVersions("1.3", "1.3.0"), 0);
    EXPECT_LT(CompareVersions("1.3", "2"), 0);
    EXPECT_GT(CompareVersions("1.3", ""), 0);
}
} // namespace lirno::service
