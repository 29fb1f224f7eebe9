#include "Util/ChildProcess.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <sstream>

namespace util
{
namespace
{
std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

using State = ChildStatus::State;
} // namespace

TEST(ChildProcess, ProgramsThatCannotStartGiveNothing)
{
    const testsupport::FTempFolder temp("lirno-util-spawn");
    const std::string folder = temp.Path().string() + "/";
    std::ofstream(folder + "data.txt") << "not a program";
    EXPECT_FALSE(Spawn({folder + "missing"}));
    EXPECT_FALSE(Spawn({folder + "data.txt"}));
    EXPECT_FALSE(Spawn({"sh"})) << "no PATH search unless asked";
    EXPECT_FALSE(Spawn({}));
    SpawnOptions options;
    options.input = Stream::File(folder + "missing");
    EXPECT_FALSE(Spawn({"/bin/true"}, options)) << "standard input from a missing file";
}

TEST(ChildProcess, ReportsExitCodesAndSignals)
{
    SpawnOptions options;
    options.search_path = true;
    const auto failing = Spawn({"sh", "-c", "exit 3"}, options);
    ASSERT_TRUE(failing);
    const ChildStatus failed = Wait(failing->pid);
    EXPECT_EQ(failed.state, State::Ended);
    EXPECT_EQ(failed.exit_code, 3);
    EXPECT_EQ(failed.ShellCode(), 3);
    EXPECT_EQ(Poll(failing->pid).state, State::Unknown) << "a child is waited for once";

    const auto sleeping = Spawn({"sleep", "30"}, options);
    ASSERT_TRUE(sleeping);
    EXPECT_EQ(Poll(sleeping->pid).state, State::Running);
    EXPECT_EQ(WaitFor(sleeping->pid, std::chrono::milliseconds(50)).state, State::Running);
    EXPECT_TRUE(Kill(sleeping->pid, SIGKILL));
    const ChildStatus killed = WaitFor(sleeping->pid, std::chrono::seconds(10));
    EXPECT_EQ(killed.state, State::Ended);
    EXPECT_EQ(killed.exit_code, -1);
    EXPECT_EQ(killed.signal, SIGKILL);
    EXPECT_EQ(killed.ShellCode(), 128 + SIGKILL);
    EXPECT_FALSE(Kill(0, SIGKILL)) << "never our own process group";
    EXPECT_FALSE(KillGroup(-1, SIGKILL));
}

TEST(ChildProcess, RedirectsStreamsToFilesAndPipes)
{
    const testsupport::FTempFolder temp("lirno-util-streams");
    const std::string folder = temp.Path().string() + "/";
    std::ofstream(folder + "in.txt") << "input\n";
    std::ofstream(folder + "out.txt") << "an older and longer text that must go";
    SpawnOptions options;
    options.input = Stream::File(folder + "in.txt");
    options.output = Stream::File(folder + "out.txt");
    options.error = Stream::SameAsOutput();
    auto child = Spawn({"/bin/sh", "-c", "cat; echo error >&2"}, options);
    ASSERT_TRUE(child);
    EXPECT_EQ(Wait(child->pid).exit_code, 0);
    EXPECT_EQ(ReadFile(folder + "out.txt"), "input\nerror\n");

    options.input = Stream::Null();
    options.output = Stream::Pipe();
    options.error = Stream::Null();
    child = Spawn({"/bin/sh", "-c", "cat; echo out; echo error >&2"}, options);
    ASSERT_TRUE(child);
    EXPECT_FALSE(child->input.IsOpen());
    EXPECT_FALSE(child->error.IsOpen());
    std::string output;
    char buffer[256];
    for (ssize_t n = 0; (n = ::read(child->output.Get(), buffer, sizeof buffer)) > 0;)
        output.append(buffer, static_cast<std::size_t>(n));
    EXPECT_EQ(output, "out\n");
    EXPECT_EQ(Wait(child->pid).exit_code, 0);
}

TEST(ChildProcess, CleanChildrenKeepNoDescriptorOfOurs)
{
    // Not close-on-exec, as a descriptor opened by a library might be.
    const int ours = ::open("/dev/null", O_RDONLY);
    ASSERT_GE(ours, 0);
    const std::vector<std::string> has_it = {"/bin/sh", "-c",
                                             "test -e /proc/self/fd/" + std::to_string(ours)};
    SpawnOptions options;
    auto child = Spawn(has_it, options);
    ASSERT_TRUE(child);
    EXPECT_EQ(Wait(child->pid).exit_code, 0);
    options.clean = true;
    child = Spawn(has_it, options);
    ASSERT_TRUE(child);
    EXPECT_EQ(Wait(child->pid).exit_code, 1);
    ::close(ours);
}
} // namespace util
