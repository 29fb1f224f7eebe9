#include "Util/RunChild.h"

#include <gtest/gtest.h>

#include <fstream>
#include <thread>

namespace util
{
namespace
{
// True while `pid` runs: it exists and is no zombie.
bool IsRunning(const std::string& pid)
{
    std::ifstream stat("/proc/" + pid + "/stat");
    std::string line;
    if (!std::getline(stat, line))
        return false;
    const auto close = line.rfind(')');
    return close != std::string::npos && line.compare(close + 2, 1, "Z") != 0;
}
} // namespace

TEST(RunChild, FeedsInputAndCollectsOutput)
{
    // Larger than a pipe buffer both ways, so writing and reading must interleave.
    const std::string input(300000, 'x');
    const ChildResult result = RunChild({"cat"}, input, std::chrono::seconds(10));
    EXPECT_TRUE(result.started);
    EXPECT_FALSE(result.timed_out);
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(result.output, input);
}

TEST(RunChild, KillsAChildThatOverrunsItsTimeOutWithAllItStarted)
{
    const ChildResult result =
        RunChild({"sh", "-c", "sleep 30 & echo $!; wait"}, "", std::chrono::milliseconds(200));
    EXPECT_TRUE(result.timed_out);
    EXPECT_EQ(result.exit_code, -1);
    const std::string grandchild = result.output.substr(0, result.output.find('\n'));
    ASSERT_FALSE(grandchild.empty());
    for (int i = 0; i < 200 && IsRunning(grandchild); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(IsRunning(grandchild)) << "the time-out reaches the whole process group";
}

TEST(RunChild, ReportsProgramsThatDoNotStartOrFail)
{
    EXPECT_FALSE(RunChild({"no-such-program-lirno"}, "x", std::chrono::seconds(5)).started);
    EXPECT_FALSE(RunChild({}, "", std::chrono::seconds(5)).started);
    const ChildResult failed = RunChild({"sh", "-c", "echo oops >&2; exit 3"}, "", std::chrono::seconds(5));
    EXPECT_EQ(failed.exit_code, 3);
    EXPECT_EQ(failed.errors, "oops\n");
}
} // namespace util
