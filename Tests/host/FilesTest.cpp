#include "Paths.h"

#include "HostTestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace host;
using host::test::TestRoot;

TEST(Files, WriteCreatesFoldersReplacesAndReadsBack)
{
    const std::string dir = TestRoot() + "files_test/";
    std::filesystem::remove_all(dir);
    const std::string path = dir + "a/b/c.bin";
    const std::vector<std::uint8_t> bytes = {0, 1, 255, 0};
    ASSERT_TRUE(File::WriteAll(path, bytes));
    ASSERT_TRUE(File::WriteAllText(path, "second"));
    std::vector<std::uint8_t> read;
    ASSERT_TRUE(File::ReadAll(path, read));
    EXPECT_EQ(std::string(read.begin(), read.end()), "second");
    EXPECT_TRUE(File::Exists(path));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir + "a/b"), {}), 1);
    EXPECT_FALSE(File::Delete(dir + "a"));
    EXPECT_TRUE(File::Delete(path));
    EXPECT_FALSE(File::Exists(path));
    EXPECT_FALSE(File::Delete(path));
    EXPECT_FALSE(File::ReadAll(path, read));
    EXPECT_TRUE(read.empty());
}

TEST(Files, LargeAndEmptyFilesReadBackExactly)
{
    const std::string dir = TestRoot() + "files_large_test/";
    std::filesystem::remove_all(dir);
    std::vector<std::uint8_t> large(5 * 64 * 1024 + 3);
    for (std::size_t i = 0; i < large.size(); ++i)
    {
        large[i] = static_cast<std::uint8_t>(i * 7);
    }
    for (const auto& bytes : {large, std::vector<std::uint8_t>{}, std::vector<std::uint8_t>(64 * 1024, 1)})
    {
        ASSERT_TRUE(File::WriteAll(dir + "f.bin", bytes));
        std::vector<std::uint8_t> read{9, 9};
        ASSERT_TRUE(File::ReadAll(dir + "f.bin", read));
        EXPECT_EQ(read, bytes);
    }
}

TEST(Files, AbsolutePathsCollapseDots)
{
    EXPECT_EQ(ConvertToAbsolutePath("/a/b/../c/./d"), "/a/c/d");
    EXPECT_EQ(ConvertToAbsolutePath("/a/b/"), "/a/b/");
    const std::string cwd = std::filesystem::current_path().generic_string();
    EXPECT_EQ(ConvertToAbsolutePath("x/../y"), cwd + "/y");
}

TEST(Files, DurableWriteAndRenameReplaceContent)
{
    const std::string dir = TestRoot() + "files_durable_test/";
    std::filesystem::remove_all(dir);
    const std::string target = dir + "Game/de/Game.archive";
    const std::string staged = target + ".lirno-new";
    ASSERT_TRUE(File::WriteAllText(target, "old text that is longer"));
    ASSERT_TRUE(File::WriteAllDurably(staged, std::vector<std::uint8_t>(100, 'x')));
    ASSERT_TRUE(File::WriteAllDurably(staged, std::vector<std::uint8_t>{'n', 'e', 'w'}));
    ASSERT_TRUE(File::Rename(staged, target));
    std::string text;
    ASSERT_TRUE(File::ReadAllText(target, text));
    EXPECT_EQ(text, "new") << "a shorter rewrite truncates";
    EXPECT_FALSE(File::Exists(staged));

    EXPECT_FALSE(File::Rename(staged, target)) << "the staged file is gone";
    ASSERT_TRUE(File::ReadAllText(target, text));
    EXPECT_EQ(text, "new");
    EXPECT_TRUE(File::WriteAllDurably(dir + "new/folders/empty", {}));
    EXPECT_EQ(std::filesystem::file_size(dir + "new/folders/empty"), 0u);
    EXPECT_FALSE(File::WriteAllDurably(target + "/below-a-file", std::vector<std::uint8_t>{1}));

    // A write that fails halfway (here: past the process's file size limit) leaves no file.
    const std::string partial = dir + "partial.bin";
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0)
    {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::_exit(File::WriteAllDurably(partial, std::vector<std::uint8_t>(64 * 1024, 7)) ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the write should have failed";
    EXPECT_FALSE(File::Exists(partial));
}

TEST(Files, IsWritableNeedsTheFileAndItsFolder)
{
    const std::string dir = TestRoot() + "files_writable_test/";
    std::filesystem::remove_all(dir);
    ASSERT_TRUE(File::WriteAllText(dir + "open/file.txt", "a"));
    ASSERT_TRUE(File::WriteAllText(dir + "readonly/file.txt", "b"));
    ASSERT_TRUE(File::WriteAllText(dir + "open/locked.txt", "c"));
    EXPECT_TRUE(File::IsWritable(dir + "open/file.txt"));
    EXPECT_TRUE(File::IsWritable(dir + "open/missing/deeper/file.txt")) << "folders would be made";
    EXPECT_TRUE(File::IsWritable(dir + "open"));
    EXPECT_FALSE(File::IsWritable(dir + "open/file.txt/below"));

    namespace fs = std::filesystem;
    fs::permissions(dir + "open/locked.txt",
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::permissions(dir + "readonly", fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                          fs::perms::group_exec | fs::perms::others_read |
                                          fs::perms::others_exec);
    if (::geteuid() != 0) // root writes whatever the permissions say
    {
        EXPECT_FALSE(File::IsWritable(dir + "open/locked.txt"));
        EXPECT_FALSE(File::IsWritable(dir + "readonly/file.txt")) << "its folder cannot take a rename";
        EXPECT_FALSE(File::IsWritable(dir + "readonly/new.txt"));
        EXPECT_FALSE(File::IsWritable(dir + "readonly/new/file.txt"));
    }
    fs::permissions(dir + "readonly", fs::perms::owner_all);
}

TEST(Files, FreeSpaceOfAnExistingOrFuturePath)
{
    const std::optional<std::uint64_t> tmp = File::FreeSpace("/tmp");
    ASSERT_TRUE(tmp.has_value());
    EXPECT_GT(*tmp, 0u);
    EXPECT_TRUE(File::FreeSpace(TestRoot() + "not/there/yet.bin").has_value());
}

TEST(Files, ListFilesIsRecursiveSortedAndSkipsLinks)
{
    namespace fs = std::filesystem;
    const std::string dir = TestRoot() + "files_list_test";
    fs::remove_all(dir);
    EXPECT_TRUE(File::ListFiles(dir).empty());
    for (const char* name : {"b.txt", "a/z.bin", "a/deep/x", "c/y"})
    {
        ASSERT_TRUE(File::WriteAllText(dir + "/" + name, name));
    }
    fs::create_directories(dir + "/empty");
    fs::create_directory_symlink(dir, dir + "/a/loop");
    fs::create_symlink(dir + "/b.txt", dir + "/c/link.txt");
    const std::vector<std::string> expected{dir + "/a/deep/x", dir + "/a/z.bin", dir + "/b.txt",
                                            dir + "/c/y"};
    EXPECT_EQ(File::ListFiles(dir), expected);
    EXPECT_EQ(File::ListFiles(dir + "/")[0], dir + "/a/deep/x");
}

TEST(FileLock, HeldAcrossProcessesUntilTheHolderDies)
{
    const std::string path = TestRoot() + "lock_test/sub/apply.lock";
    std::filesystem::remove_all(TestRoot() + "lock_test");
    int ready[2];
    int hold[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(hold), 0);
    const pid_t holder = ::fork();
    ASSERT_GE(holder, 0);
    if (holder == 0)
    {
        // The holder also starts a program of its own, as the editor starts its step processes;
        // that program must not keep the lock once the holder is gone.
        std::string error;
        const std::unique_ptr<FFileLock> lock = FFileLock::TryAcquire(path, error);
        pid_t program = -1;
        int execed[2];
        if (lock && ::pipe2(execed, O_CLOEXEC) == 0)
        {
            program = ::fork();
            if (program == 0)
            {
                ::execl("/bin/sleep", "sleep", "60", static_cast<char*>(nullptr));
                ::_exit(127);
            }
            ::close(execed[1]);
            char byte = 0;
            [[maybe_unused]] const ssize_t closedAtExec = ::read(execed[0], &byte, 1);
        }
        [[maybe_unused]] const ssize_t sent = ::write(ready[1], &program, sizeof program);
        char byte = 0;
        [[maybe_unused]] const ssize_t held = ::read(hold[0], &byte, 1); // until killed
        ::_exit(0);
    }
    ::close(ready[1]);
    ::close(hold[0]);
    pid_t program = -1;
    ASSERT_EQ(::read(ready[0], &program, sizeof program), static_cast<ssize_t>(sizeof program));
    ASSERT_GT(program, 0) << "the holder did not get the lock";

    std::string error;
    EXPECT_EQ(FFileLock::TryAcquire(path, error), nullptr);
    EXPECT_NE(error.find(path), std::string::npos) << error;
    EXPECT_NE(error.find("held by another process"), std::string::npos) << error;

    ::kill(holder, SIGKILL);
    int status = 0;
    EXPECT_EQ(::waitpid(holder, &status, 0), holder);
    {
        const std::unique_ptr<FFileLock> lock = FFileLock::TryAcquire(path, error);
        EXPECT_NE(lock, nullptr) << error;
        EXPECT_EQ(FFileLock::TryAcquire(path, error), nullptr) << "one holder at a time, in-process too";
    }
    ::kill(program, SIGKILL);
    ::close(ready[0]);
    ::close(hold[1]);
    EXPECT_TRUE(File::Exists(path)) << "the lock file stays for the next holder";
    EXPECT_NE(FFileLock::TryAcquire(path, error), nullptr) << "released with its owner";
    EXPECT_EQ(FFileLock::TryAcquire(TestRoot() + "lock_test/sub/apply.lock/below", error), nullptr);
    EXPECT_NE(error.find("cannot be opened"), std::string::npos) << error;
}
