#include "PackageFixture.h"
#include "ResultPackage.h"
#include "UploadPackage.h"

#include <gtest/gtest.h>

namespace lirno::service
{
TEST(UploadPackage, OpensWithThePrefixAndJobNumber)
{
    const auto sample = test::SampleUpload();
    std::string error;
    const auto entries =
        OpenUpload(test::UploadBody(sample, "4711"), UploadPassword("4711"), 1u << 30, error);
    ASSERT_TRUE(entries) << error;
    ASSERT_EQ(entries->size(), sample.size());
    for (std::size_t i = 0; i < sample.size(); ++i)
    {
        EXPECT_EQ((*entries)[i].name, sample[i].name);
        EXPECT_EQ((*entries)[i].bytes, sample[i].bytes);
    }
}

TEST(UploadPackage, RefusesWrongPasswordsUnshiftedAndForeignBytes)
{
    const auto sample = test::SampleUpload();
    std::string error;
    EXPECT_FALSE(OpenUpload(test::UploadBody(sample, "4711"), UploadPassword("4712"), 1u << 30, error));
    EXPECT_NE(error.find("password"), std::string::npos) << error;
    // The plain archive, not shifted: the service must not take it for a package.
    EXPECT_FALSE(OpenUpload(test::ZipBytes(sample, UploadPassword("1").c_str()), UploadPassword("1"),
                            1u << 30, error));
    EXPECT_FALSE(OpenUpload("", UploadPassword("1"), 1u << 30, error));
    EXPECT_FALSE(OpenUpload(std::string(5000, '\x21'), UploadPassword("1"), 1u << 30, error));
}

TEST(UploadPackage, RefusesArchivesThatUnpackBeyondTheCap)
{
    const std::vector<PackageEntry> big = {{"Game/Game.manifest", std::string(200000, 'a')}};
    std::string error;
    EXPECT_FALSE(OpenUpload(test::UploadBody(big, "1"), UploadPassword("1"), 100000, error));
    EXPECT_NE(error.find("100000"), std::string::npos) << error;
}

TEST(ResultPackage, IsShiftedBase64OfAPlainZipWithTheGivenNames)
{
    const std::vector<PackageEntry> files = {{"Game/de/Game.archive", "{\"x\":1}"},
                                             {"Menus/fr/Menus.archive", std::string(100000, 'z')}};
    std::string error;
    const auto b64 = MakeResultPackage(files, error);
    ASSERT_TRUE(b64) << error;
    const auto back = test::ReadResultPackage(*b64);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].name, files[0].name);
    EXPECT_EQ(back[0].bytes, files[0].bytes);
    EXPECT_EQ(back[1].bytes, files[1].bytes);
}

TEST(ResultPackage, GrowsPastItsFirstEstimateForIncompressibleData)
{
    std::string noise(300000, '\0');
    std::uint32_t state = 12345;
    for (char& c : noise)
    {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 24);
    }
    std::string error;
    const auto zip = WriteZip({{"a/b/c", noise}}, error);
    ASSERT_TRUE(zip) << error;
    EXPECT_GT(zip->size(), noise.size() / 2);
}
} // namespace lirno::service
