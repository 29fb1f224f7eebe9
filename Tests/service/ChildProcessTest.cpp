#include "ChildProcess.h"

#include <gtest/gtest.h>

namespace lirno::service
{
TEST(ChildProcess, FeedsInputAndCollectsOutput)
{
    // Larger than a pipe buffer both ways, so writing and reading must interleave.
    const std::string input(300000, 'x');
    const ChildResult result = RunChild({"cat"}, input, std::chrono::seconds(10));
    EXPECT_TRUE(result.started);
    EXPECT_FALSE(result.timed_out);
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(result.output, input);
}

TEST(ChildProcess, KillsAChildThatOverrunsItsTimeOut)
{
    const auto begin = std::chrono::steady_clock::now();
    const ChildResult result = RunChild({"sh", "-c", "sleep 30 | cat"}, "", std::chrono::milliseconds(200));
    EXPECT_TRUE(result.timed_out);
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(5));
}

TEST(ChildProcess, ReportsProgramsThatDoNotStartOrFail)
{
    EXPECT_FALSE(RunChild({"no-such-program-lirno"}, "x", std::chrono::seconds(5)).started);
    const ChildResult failed = RunChild({"sh", "-c", "echo oops >&2; exit 3"}, "", std::chrono::seconds(5));
    EXPECT_EQ(failed.exit_code, 3);
    EXPECT_EQ(failed.errors, "oops\n");
}
} // namespace lirno::service
