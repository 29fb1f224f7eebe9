#include "LocalizationProcess.h"
#include "DemoProject.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace
{
std::unique_ptr<host::ILocalizationProcess> Shell(const std::string& script)
{
    return host::StartLocalizationProcess("/bin/sh", {"-c", script});
}

TEST(LocalizationProcess, OutputOfBothStreamsAndTheExitCodeComeBack)
{
    const auto process = Shell("echo out; echo err >&2; exit 3");
    ASSERT_NE(process, nullptr);
    const loctest::FStepRun run = loctest::RunToEnd(*process);
    EXPECT_EQ(run.Output, "out\nerr\n");
    EXPECT_EQ(run.ExitCode, 3);
    EXPECT_FALSE(process->IsRunning());
    EXPECT_EQ(process->ReadNewOutput(), "");
}

TEST(LocalizationProcess, KilledProcessDoesNotPassForSuccess)
{
    const auto process = Shell("kill -9 $$");
    ASSERT_NE(process, nullptr);
    EXPECT_EQ(loctest::RunToEnd(*process).ExitCode, 128 + 9);
}

TEST(LocalizationProcess, RunningProcessHasNoExitCodeAndCanBeReleased)
{
    auto process = Shell("sleep 1");
    ASSERT_NE(process, nullptr);
    EXPECT_TRUE(process->IsRunning());
    EXPECT_EQ(process->ExitCode(), std::nullopt);
    EXPECT_EQ(process->ReadNewOutput(), "") << "reads never block";
    process.reset();
}

TEST(LocalizationProcess, MissingProgramIsNotStarted)
{
    EXPECT_EQ(host::StartLocalizationProcess("/nonexistent/localization-step", {}), nullptr);
}

TEST(LocalizationProcess, ChildInheritsNoListeningSocketOrStandardInput)
{
    // Without close-on-exec, as a careless library might leave it.
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 1), 0);
    const std::string fd = std::to_string(listener);
    const auto process =
        Shell("if [ -e /proc/$$/fd/" + fd + " ]; then echo inherited; else echo clean; fi; cat");
    ASSERT_NE(process, nullptr);
    const loctest::FStepRun run = loctest::RunToEnd(*process);
    ::close(listener);
    EXPECT_EQ(run.Output, "clean\n");
    EXPECT_EQ(run.ExitCode, 0);
}
} // namespace
