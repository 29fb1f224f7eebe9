#include "Paths.h"

#include "HostTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace host;
using host::test::TestRoot;

TEST(Base64, EncodesRfc4648Vectors)
{
    const std::pair<const char*, const char*> vectors[] = {{"", ""},
                                                           {"f", "Zg=="},
                                                           {"fo", "Zm8="},
                                                           {"foo", "Zm9v"},
                                                           {"foob", "Zm9vYg=="},
                                                           {"fooba", "Zm9vYmE="},
                                                           {"foobar", "Zm9vYmFy"}};
    for (const auto& [plain, encoded] : vectors)
    {
        EXPECT_EQ(Base64Encode(std::string(plain)), encoded);
        std::vector<std::uint8_t> bytes;
        EXPECT_TRUE(Base64Decode(encoded, bytes));
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), plain);
    }
}

TEST(Base64, AllByteValuesRoundTrip)
{
    std::vector<std::uint8_t> all(256);
    for (int i = 0; i < 256; ++i)
    {
        all[i] = static_cast<std::uint8_t>(i);
    }
    std::vector<std::uint8_t> back;
    ASSERT_TRUE(Base64Decode(Base64Encode(all), back));
    EXPECT_EQ(back, all);
    // In place, for every tail length (0, 1 and 2 padding characters).
    for (std::size_t size : {256u, 255u, 254u})
    {
        std::string text = Base64Encode(std::span(all.data(), size));
        ASSERT_TRUE(Base64DecodeInPlace(text));
        EXPECT_EQ(text, std::string(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(size)));
    }
}

TEST(Base64, RejectsInvalidTextButKeepsValidPrefix)
{
    std::vector<std::uint8_t> bytes;
    EXPECT_FALSE(Base64Decode("Zm9v!m9v", bytes));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "foo");
    for (const char* bad : {"Zm9", "Zg==Zg==", "Z===", "Zm9v\n", "Zg=a"})
    {
        EXPECT_FALSE(Base64Decode(bad, bytes)) << bad;
        std::string text = bad;
        EXPECT_FALSE(Base64DecodeInPlace(text)) << bad;
    }
    std::string text = "Zm9v!m9v";
    EXPECT_FALSE(Base64DecodeInPlace(text));
    EXPECT_EQ(text, "foo");
}

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
