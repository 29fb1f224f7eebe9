#include "zip.h"
#include "zip_test_support.h"

#include <gtest/gtest.h>
#include <string>

using namespace ziptest;

TEST(ZipResults, FormattersShareTextsExceptWrongPassword)
{
    char narrow[64];
    char16_t wide[64];
    EXPECT_EQ(zip_format_result(zip_result::OpenFailed, narrow, 64), 25u);
    EXPECT_STREQ(narrow, "Couldn't create/open file");
    unzip_format_result(zip_result::OpenFailed, wide, 64);
    EXPECT_EQ(ascii(wide), "Couldn't create/open file");

    unzip_format_result(zip_result::WrongPassword, wide, 64);
    EXPECT_EQ(ascii(wide), "Correct password required");
    zip_format_result(zip_result::WrongPassword, narrow, 64);
    EXPECT_STREQ(narrow, "unknown zip result code");
    zip_format_result(0x12345, narrow, 64);
    EXPECT_STREQ(narrow, "unknown zip result code");
    zip_format_result(zip_result::NoDuplicate, narrow, 64);
    EXPECT_STREQ(narrow, "Culdn't duplicate handle");
}

TEST(ZipResults, ShortBufferGetsPrefixAndTerminatorButFullLength)
{
    char narrow[5] = {'x', 'x', 'x', 'x', 'x'};
    EXPECT_EQ(zip_format_result(zip_result::Ok, narrow, 5), 7u);
    EXPECT_STREQ(narrow, "Succ");
    char16_t wide[5];
    EXPECT_EQ(unzip_format_result(zip_result::Ok, wide, 5), 7u);
    EXPECT_EQ(ascii(wide), "Succ");
    EXPECT_EQ(zip_format_result(zip_result::Ok, nullptr, 0), 7u);
    char one = 'x';
    zip_format_result(zip_result::Ok, &one, 1);
    EXPECT_EQ(one, '\0');
}

TEST(ZipResults, RecentFormatsEachSidesOwnLastResult)
{
    EXPECT_EQ(zip_create(nullptr, 0, 9, nullptr), nullptr);                           // writer: BadArguments
    EXPECT_EQ(unzip_open_file(u"/nonexistent/zip_tests/none.zip", nullptr), nullptr); // reader: OpenFailed
    char narrow[64];
    char16_t wide[64];
    zip_format_result(zip_result::Recent, narrow, 64);
    EXPECT_STREQ(narrow, "Caller: faulty arguments");
    unzip_format_result(zip_result::Recent, wide, 64);
    EXPECT_EQ(ascii(wide), "Couldn't create/open file");
    EXPECT_EQ(zip_last_result(), zip_result::BadArguments);
    EXPECT_EQ(unzip_last_result(), zip_result::OpenFailed);
}

TEST(ZipHandles, KindQueriesAndMixedKindsAreRefused)
{
    EXPECT_FALSE(zip_is_reader(nullptr));
    EXPECT_FALSE(zip_is_writer(nullptr));
    const Bytes archive = build_archive({{"a.txt", text_bytes(100)}});
    ZipHandle* reader =
        unzip_open(archive.data(), static_cast<std::uint32_t>(archive.size()), zip_kind::Memory, nullptr);
    ASSERT_NE(reader, nullptr);
    EXPECT_TRUE(zip_is_reader(reader));
    EXPECT_FALSE(zip_is_writer(reader));
    EXPECT_EQ(zip_add_folder(reader, u"x/"), zip_result::WrongHandleKind);
    EXPECT_EQ(zip_last_result(), zip_result::WrongHandleKind);
    EXPECT_EQ(zip_close(reader), zip_result::WrongHandleKind);

    Bytes block(4096);
    ZipHandle* writer = zip_create(block.data(), 4096, zip_kind::Memory, nullptr);
    ASSERT_NE(writer, nullptr);
    EXPECT_TRUE(zip_is_writer(writer));
    ZipEntry entry{};
    EXPECT_EQ(unzip_get_item(writer, -1, &entry), zip_result::WrongHandleKind);
    EXPECT_EQ(unzip_last_result(), zip_result::WrongHandleKind);
    EXPECT_EQ(unzip_close(writer), zip_result::WrongHandleKind);
    EXPECT_EQ(unzip_close(nullptr), zip_result::BadArguments);
    EXPECT_EQ(zip_add_folder(nullptr, u"x/"), zip_result::BadArguments);

    EXPECT_EQ(zip_close_any(reader), zip_result::Ok);
    EXPECT_EQ(zip_close_any(writer), zip_result::Ok);
}
