// The records' JSON form and the settings' reflected description, through the host's converter
// and configuration.
#include "Json.h"
#include "lirnoTestSupport.h"

namespace lirnotest
{
namespace
{
using lirno::FAPI_Response_TaskStatus;
using lirno::FTask_Status;

TEST(lirnoModel, TaskRecordIsWrittenWithEveryMemberInOrder)
{
    fake::FScopedFakeHost fakeHost;
    const auto json = nlohmann::ordered_json::parse(host::RecordToJson(FTask_Status{}));
    std::vector<std::string> names;
    for (const auto& item : json.items())
    {
        names.push_back(item.key());
    }
    EXPECT_EQ(names, (std::vector<std::string>{"TaskidList", "CharCount", "UserID", "CompletedCharCount",
                                               "UsedCharCount", "UserTransLimit_LastCharCount", "file_b64",
                                               "result_errormsg", "result_msg", "CompletionProgress"}));
    EXPECT_TRUE(json["TaskidList"].is_array() && json["TaskidList"].empty());
    EXPECT_EQ(json["file_b64"], "");
    EXPECT_EQ(json["result_msg"], "");

    FTask_Status task = AcceptedTask();
    task.CompletionProgress = 37.6;
    task.result_msg = "quote \" and \\ and \n";
    FTask_Status back;
    ASSERT_TRUE(host::JsonToRecord(host::RecordToJson(task), back));
    EXPECT_EQ(back.TaskidList, task.TaskidList);
    EXPECT_EQ(back.UserID, 42);
    EXPECT_DOUBLE_EQ(back.CompletionProgress, 37.6);
    EXPECT_EQ(back.result_msg, task.result_msg);
}

TEST(lirnoModel, ServiceAnswersFillOnlyWhatTheyCarry)
{
    fake::FScopedFakeHost fakeHost;
    FAPI_Response_TaskStatus empty;
    EXPECT_FALSE(host::JsonToRecord("", empty));
    EXPECT_EQ(empty.Status, 0);
    EXPECT_EQ(fakeHost->Log.Texts("LogJson"),
              std::vector<std::string>{"JsonObjectStringToUStruct - Unable to parse json=[]: parse error at line 1, "
                                       "column 1: syntax error while parsing value - unexpected end of input; "
                                       "expected '[', '{', or a literal"});

    FAPI_Response_TaskStatus answer;
    EXPECT_TRUE(host::JsonToRecord(
        R"({"Status": 1, "Extra": true, "Content": {"CompletionProgress": 50, "file_b64": "QUJD", "More": [1]}})",
        answer));
    EXPECT_EQ(answer.Status, 1);
    EXPECT_EQ(answer.Msg, "");
    EXPECT_DOUBLE_EQ(answer.Content.CompletionProgress, 50);
    EXPECT_EQ(answer.Content.file_b64, "QUJD");
    EXPECT_EQ(fakeHost->Log.Texts("LogJson").size(), 1u) << "unknown members are no reason to warn";
}

TEST(lirnoModel, TypesAreRegisteredUnderTheScriptPackage)
{
    const auto* translator = host::FindEnum("/Script/lirno.ETranslatorType");
    ASSERT_NE(translator, nullptr);
    EXPECT_EQ(translator->FindByName("Microsoft")->Value, 1);
    EXPECT_EQ(translator->FindByName("AWS")->Value, 4);
    EXPECT_EQ(static_cast<int>(lirno::ETranslatorType::DeepL), 3);
    EXPECT_NE(host::FindStruct("/Script/lirno.Task_Status"), nullptr);
    EXPECT_NE(host::FindStruct("/Script/lirno.API_Response_TaskStatus"), nullptr);
    const auto* settings = host::FindStruct("/Script/lirno.lirnoSetting");
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(settings->ConfigName, "Engine");
    EXPECT_TRUE(settings->PerUserConfig);
    for (const auto& property : settings->Properties)
    {
        EXPECT_TRUE(property.Config) << property.Name;
        EXPECT_EQ(property.Category, "Translate Setting") << property.Name;
    }
}

TEST(lirnoSetting, DefaultsAreOverlaidFromTheUserConfiguration)
{
    {
        fake::FScopedFakeHost fakeHost;
        const auto& fresh = *lirno::UlirnoSetting::Get();
        EXPECT_EQ(fresh.Host, "https://translate.lirno.dev");
        EXPECT_EQ(fresh.API_KEY, "");
        EXPECT_EQ(fresh.TranslatorProvider, lirno::ETranslatorType::Auto);
        EXPECT_FALSE(fresh.TranslateAll);
        EXPECT_TRUE(fresh.Auto_GatherText && fresh.Auto_CompileText && fresh.Auto_GenerateWordCountReport &&
                    fresh.AutoCheckUpdate);
    }
    fake::FScopedFakeHost fakeHost;
    host::FIniDocument config;
    const std::string section = "/Script/lirno.lirnoSetting";
    config.Set(section, "Host", "http://127.0.0.1:9000/");
    config.Set(section, "TranslatorProvider", "AWS");
    config.Set(section, "Auto_GatherText", "false");
    host::File::WriteAllText(fakeHost->Config().UserConfigPath("Engine"), config.ToString());
    const auto& settings = *lirno::UlirnoSetting::Get();
    EXPECT_EQ(settings.Host, "http://127.0.0.1:9000/");
    EXPECT_EQ(settings.TranslatorProvider, lirno::ETranslatorType::AWS);
    EXPECT_FALSE(settings.Auto_GatherText);
    EXPECT_TRUE(settings.Auto_CompileText);
    EXPECT_EQ(lirno::UlirnoSetting::Get(), &settings) << "one default instance, never copied";
}
} // namespace
} // namespace lirnotest
