// What a CI user reads from a job: the exit status, and the causes of failures in the log.
#include "JobFixture.h"

#include <fstream>

namespace e2e
{
namespace
{
namespace fs = std::filesystem;

std::string LastLine(const std::string& text)
{
    const auto end = text.find_last_not_of('\n');
    if (end == std::string::npos)
        return {};
    const auto start = text.rfind('\n', end);
    return text.substr(start == std::string::npos ? 0 : start + 1, end - (start == std::string::npos ? 0 : start + 1) + 1);
}

class EditorOutcome : public JobFixture
{
};
} // namespace

TEST_F(EditorOutcome, FailingStepFromBrokenStringTableExitsThreeWithTheStepsReason)
{
    {
        std::ofstream table(project_ / "Content/StringTables/Menus/MainMenu.csv", std::ios::app);
        table << "MainMenu,Broken,\"never closed\n";
    }
    StartService(PseudoConfig());
    Configure("e2e-key");
    const JobRun run = RunJob("--yes");
    EXPECT_EQ(run.exit_code, 3) << run.output;
    const std::string log = EditorLog();
    // The step's own words, at Error, right after the plug-in reports its exit code.
    const auto returned = log.find("] returned : 1");
    const auto reason = log.find("LogLocalizationStep: Error: Error: ");
    ASSERT_NE(returned, std::string::npos) << log;
    ASSERT_NE(reason, std::string::npos) << log;
    EXPECT_LT(returned, reason);
    EXPECT_NE(log.find("MainMenu.csv", reason), std::string::npos) << log;
    EXPECT_NE(LastLine(log).find("Outcome: exit status 3: the job completed, but"), std::string::npos) << log;
}

TEST_F(EditorOutcome, UnreachableServiceIsNamedWithCurlsReasonAndExitsOne)
{
    // A port nothing listens on: the service was started and stopped again.
    StartService(PseudoConfig());
    Configure("e2e-key");
    StopService(SIGTERM);
    const JobRun run = RunJob("--yes");
    EXPECT_EQ(run.exit_code, 1) << run.output;
    const std::string log = EditorLog();
    EXPECT_NE(log.find("LogGeneral: Warning: HTTP "), std::string::npos) << log;
    EXPECT_NE(log.find("http://127.0.0.1:" + std::to_string(port_) + "/"), std::string::npos) << log;
    EXPECT_NE(log.find("Connection refused"), std::string::npos) << log;
    EXPECT_NE(LastLine(log).find("Outcome: exit status 1: the job ended without completing"), std::string::npos)
        << log;
}
} // namespace e2e
