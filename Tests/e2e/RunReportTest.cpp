// The run report of a real job against the reference service: every member the schema in Docs
// requires is there, and the counts match what the job did.
#include "JobFixture.h"

#include <nlohmann/json.hpp>

#include <fstream>
#include <string>

namespace e2e
{
namespace
{
nlohmann::json ReadJson(const std::string& path)
{
    std::ifstream in(path);
    return nlohmann::json::parse(in, nullptr, false);
}

// Each object the schema describes has its required members in the report, recursively.
void ExpectRequiredMembers(const nlohmann::json& schema, const nlohmann::json& value,
                           const std::string& where)
{
    if (schema.contains("required"))
    {
        ASSERT_TRUE(value.is_object()) << where;
        for (const auto& name : schema["required"])
        {
            EXPECT_TRUE(value.contains(name.get<std::string>())) << where << "." << name;
        }
    }
    if (schema.contains("properties") && value.is_object())
    {
        for (const auto& [name, member] : schema["properties"].items())
        {
            if (value.contains(name))
            {
                ExpectRequiredMembers(member, value[name], where + "." + name);
            }
        }
    }
    if (schema.contains("items") && value.is_array())
    {
        for (const auto& item : value)
        {
            ExpectRequiredMembers(schema["items"], item, where + "[]");
        }
    }
}

class RunReport : public JobFixture
{
};
} // namespace

TEST_F(RunReport, ReportOfARealJobHoldsWhatTheSchemaRequiresAndCountsTheTranslations)
{
    StartService(ReadFile(SERVICE_CONFIG));
    Configure("demo-key-0001");
    const std::string report = (work_ / "report.json").string();
    const JobRun run = RunJob("--yes", {"--report", report});
    ASSERT_EQ(run.exit_code, 0) << run.output;
    EXPECT_NE(run.output.find("summary: Game/"), std::string::npos) << run.output;

    const nlohmann::json json = ReadJson(report);
    ASSERT_TRUE(json.is_object());
    ExpectRequiredMembers(ReadJson(std::string(DEMO_PROJECT_DIR) + "/../../Docs/RunReport.schema.json"), json,
                          "report");
    EXPECT_EQ(json["exitStatus"], 0);
    EXPECT_FALSE(json["phases"].empty());
    ASSERT_FALSE(json["steps"].empty());
    for (const auto& step : json["steps"])
    {
        EXPECT_EQ(step["exitCode"], 0) << step.dump();
    }
    bool finished = false;
    for (const auto& dialog : json["dialogs"])
    {
        finished =
            finished || dialog["text"].get<std::string>().find("Translation finished") != std::string::npos;
    }
    EXPECT_TRUE(finished) << json["dialogs"].dump();
    std::size_t translated = 0;
    for (const auto& culture : json["localization"]["cultures"])
    {
        translated += culture["added"].get<std::size_t>() + culture["changed"].get<std::size_t>();
    }
    EXPECT_GT(translated, 0u) << json["localization"].dump();
    EXPECT_FALSE(json["localization"]["filesChanged"].empty());
}
TEST_F(RunReport, ReportOfAFailedStepGivesItsExitCodeAndItsErrorLine)
{
    {
        std::ofstream table(project_ / "Content/StringTables/Menus/MainMenu.csv", std::ios::app);
        table << "MainMenu,Broken,\"never closed\n";
    }
    StartService(PseudoConfig());
    Configure("e2e-key");
    const std::string report = (work_ / "report.json").string();
    const JobRun run = RunJob("--yes", {"--report", report});
    EXPECT_EQ(run.exit_code, 3) << run.output;

    const nlohmann::json json = ReadJson(report);
    ASSERT_TRUE(json.is_object());
    EXPECT_EQ(json["exitStatus"], 3);
    bool failedStep = false;
    for (const auto& step : json["steps"])
    {
        failedStep = failedStep || step["exitCode"] == 1;
    }
    EXPECT_TRUE(failedStep) << json["steps"].dump();
    bool errorLine = false;
    for (const auto& line : json["problems"])
    {
        const std::string text = line.get<std::string>();
        errorLine = errorLine || (text.starts_with("LogLocalizationStep: Error: Error: ") &&
                                  text.find("MainMenu.csv") != std::string::npos);
    }
    EXPECT_TRUE(errorLine) << json["problems"].dump();
}
} // namespace e2e
