#include "times.h"
#include "zip.h"
#include "zip_test_support.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace ziptest;

class ZipExtract : public TempDir
{
protected:
    // Extracts every item under its cleaned name, as the result application does.
    std::vector<ZipResult> extract_all(const Bytes& archive, const std::string& base,
                                       const char* password = nullptr)
    {
        ZipHandle* zip = open_memory(archive, password);
        EXPECT_NE(zip, nullptr);
        EXPECT_EQ(unzip_set_base_dir(zip, wpath(base).c_str()), zip_result::Ok);
        ZipEntry entry{};
        unzip_get_item(zip, -1, &entry);
        std::vector<ZipResult> results;
        for (int i = 0, n = entry.index; i < n; ++i)
        {
            EXPECT_EQ(unzip_get_item(zip, i, &entry), zip_result::Ok);
            results.push_back(unzip_item_to_file(zip, i, entry.name));
        }
        unzip_close(zip);
        return results;
    }
};

TEST_F(ZipExtract, FilesAndFoldersLandBelowTheBaseFolder)
{
    const Bytes text = text_bytes(50000);
    const Bytes binary = pattern_bytes(70000);
    const Bytes archive = build_archive(
        {{"top.txt", text}, {"a/b/deep.bin", binary}, {"empty/", {}, true}, {"c/d/", {}, true}});
    const auto results = extract_all(archive, "out");
    EXPECT_EQ(results, std::vector<ZipResult>(4, zip_result::Ok));
    EXPECT_EQ(read_file("out/top.txt"), text);
    EXPECT_EQ(read_file("out/a/b/deep.bin"), binary);
    EXPECT_TRUE(std::filesystem::is_directory(path("out/empty")));
    EXPECT_TRUE(std::filesystem::is_directory(path("out/c/d")));
    EXPECT_EQ(entries("out"), (std::vector<std::string>{"a", "c", "empty", "top.txt"}));
}

TEST_F(ZipExtract, BackslashNamesFromOtherSystemsMakeFolders)
{
    const Bytes archive = raw_archive({{"Game\\en\\Game.archive", text_bytes(300)}});
    EXPECT_EQ(extract_all(archive, "out"), std::vector<ZipResult>{zip_result::Ok});
    EXPECT_EQ(read_file("out/Game/en/Game.archive"), text_bytes(300));
}

TEST_F(ZipExtract, ClimbingNamesNeverLeaveTheBaseFolder)
{
    const Bytes archive = raw_archive({{"../x", text_bytes(5)},
                                       {"/../y", text_bytes(5)},
                                       {"C:/../z", text_bytes(5)},
                                       {"a/b/../../c", text_bytes(5)},
                                       {"..\\w", text_bytes(5)},
                                       {"../dir/", {}, 0x0B17, 0x10},
                                       {"fine/../ok", text_bytes(5)}});
    std::filesystem::create_directories(path("base/inner"));
    const auto results = extract_all(archive, "base/inner");
    const std::vector<ZipResult> expected(6, zip_result::BadArguments);
    EXPECT_EQ(std::vector<ZipResult>(results.begin(), results.begin() + 6), expected);
    EXPECT_EQ(results[6], zip_result::Ok);
    EXPECT_EQ(entries("base"), std::vector<std::string>{"inner"});
    EXPECT_EQ(entries("base/inner"), std::vector<std::string>{"ok"});

    // Callers' own relative targets are held to the same rule; absolute ones are theirs.
    ZipHandle* zip = open_memory(archive);
    unzip_set_base_dir(zip, wpath("base/inner").c_str());
    EXPECT_EQ(unzip_item_to_file(zip, 6, u"sub/../../escape"), zip_result::BadArguments);
    EXPECT_EQ(unzip_item_to_file(zip, 6, u"sub/../kept"), zip_result::Ok);
    EXPECT_EQ(unzip_item_to_file(zip, 6, wpath("absolute/chosen").c_str()), zip_result::Ok);
    unzip_close(zip);
    EXPECT_TRUE(exists("base/inner/kept"));
    EXPECT_TRUE(exists("absolute/chosen"));
    EXPECT_FALSE(exists("base/escape"));
}

TEST_F(ZipExtract, FailedExtractionKeepsTheFileThatWasThere)
{
    const Bytes good = text_bytes(100);
    const Bytes archive = build_archive({{"a.txt", text_bytes(40000)}}, "right");
    write_file("out/a.txt", good);
    // One wrong password in 256 passes the cipher's check byte and fails in inflate instead.
    const auto wrong = extract_all(archive, "out", "wrong");
    ASSERT_EQ(wrong.size(), 1u);
    EXPECT_TRUE(wrong[0] == zip_result::WrongPassword || wrong[0] == zip_result::FlateFailed) << wrong[0];
    EXPECT_EQ(read_file("out/a.txt"), good);
    EXPECT_EQ(entries("out"), std::vector<std::string>{"a.txt"}); // no temporary left behind

    Bytes damaged = raw_archive({{"a.txt", pattern_bytes(40000)}});
    damaged[30 + 5 + 30000] ^= 0xFF;
    EXPECT_EQ(extract_all(damaged, "out"), std::vector<ZipResult>{zip_result::CorruptArchive});
    EXPECT_EQ(read_file("out/a.txt"), good);
    EXPECT_EQ(entries("out"), std::vector<std::string>{"a.txt"});

    // The same item extracted whole replaces the old file.
    EXPECT_EQ(extract_all(archive, "out", "right"), std::vector<ZipResult>{zip_result::Ok});
    EXPECT_EQ(read_file("out/a.txt"), text_bytes(40000));
}

TEST_F(ZipExtract, ReadOnlyTargetIsRefusedAndUntouched)
{
    write_file("out/a.txt", text_bytes(10));
    ::chmod(path("out/a.txt").c_str(), 0444);
    EXPECT_EQ(extract_all(build_archive({{"a.txt", text_bytes(99)}}), "out"),
              std::vector<ZipResult>{zip_result::OpenFailed});
    EXPECT_EQ(read_file("out/a.txt"), text_bytes(10));
    std::filesystem::create_directories(path("out/dir.txt"));
    EXPECT_EQ(extract_all(build_archive({{"dir.txt", text_bytes(99)}}), "out"),
              std::vector<ZipResult>{zip_result::OpenFailed});
}

TEST_F(ZipExtract, ExtractedFilesGetTimesAndReadOnlyAttribute)
{
    Bytes ut = {'U', 'T', 13, 0, 7};
    put_le(ut, 1614834367, 4);
    put_le(ut, 1600000000, 4);
    put_le(ut, 1500000000, 4);
    const Bytes archive = raw_archive({{"t.txt", text_bytes(10), 0x0B17, 0x21, 0x52640000, ut}});
    EXPECT_EQ(extract_all(archive, "out"), std::vector<ZipResult>{zip_result::Ok});
    struct stat st
    {
    };
    ASSERT_EQ(::stat(path("out/t.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtim.tv_sec, 1614834367);
    EXPECT_EQ(st.st_atim.tv_sec, 1600000000);
    EXPECT_EQ(st.st_mode & 0222, 0u);

    // Files written by the engine come back with their own modification time.
    write_file("src.txt", text_bytes(10));
    const timespec times[2] = {{1500000000, 0}, {1555555555, 0}};
    ::utimensat(AT_FDCWD, path("src.txt").c_str(), times, 0);
    ZipHandle* zip = zip_create_file(wpath("f.zip").c_str(), nullptr);
    ASSERT_EQ(zip_add_file(zip, u"src.txt", wpath("src.txt").c_str()), zip_result::Ok);
    ASSERT_EQ(zip_close(zip), zip_result::Ok);
    EXPECT_EQ(extract_all(read_file("f.zip"), "back"), std::vector<ZipResult>{zip_result::Ok});
    ASSERT_EQ(::stat(path("back/src.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtim.tv_sec, 1555555555);
    EXPECT_EQ(st.st_atim.tv_sec, 1500000000);
    EXPECT_NE(st.st_mode & 0200, 0u);
}

TEST_F(ZipExtract, PathsPastTheLimitAreRefused)
{
    const Bytes archive = build_archive({{"a.txt", text_bytes(10)}});
    ZipHandle* zip = open_memory(archive);
    EXPECT_EQ(unzip_set_base_dir(zip, u""), zip_result::BadArguments);
    EXPECT_EQ(unzip_set_base_dir(zip, nullptr), zip_result::BadArguments);
    EXPECT_EQ(unzip_set_base_dir(zip, std::u16string(259, u'b').c_str()),
              zip_result::BadArguments); // + separator
    EXPECT_EQ(unzip_set_base_dir(zip, (std::u16string(258, u'b') + u"/").c_str()), zip_result::Ok);
    EXPECT_EQ(unzip_item_to_file(zip, 0, u"a.txt"), zip_result::BadArguments);

    const std::u16string base = wpath("out") + u"/";
    ASSERT_EQ(unzip_set_base_dir(zip, base.c_str()), zip_result::Ok);
    const std::u16string fits(259 - base.size(), u'f');
    EXPECT_EQ(unzip_item_to_file(zip, 0, (fits + u"g").c_str()), zip_result::BadArguments);
    EXPECT_EQ(unzip_item_to_file(zip, 0, std::u16string(300, u'f').c_str()), zip_result::BadArguments);
    EXPECT_EQ(unzip_item_to_file(zip, 0, nullptr), zip_result::BadArguments);
    EXPECT_EQ(unzip_item_to_file(zip, 0, u"short.txt"), zip_result::Ok);
    EXPECT_EQ(unzip_item_to_file(zip, 1, u"x"), zip_result::BadArguments);
    unzip_close(zip);
    EXPECT_EQ(entries("out"), std::vector<std::string>{"short.txt"});
}

TEST_F(ZipExtract, ToCallersHandle)
{
    const Bytes data = text_bytes(30000);
    const Bytes archive = build_archive({{"a.txt", data}, {"d/", {}, true}});
    ZipHandle* zip = open_memory(archive);
    const int fd = ::open(path("h.out").c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
    EXPECT_EQ(unzip_item_to_handle(zip, 0, fd), zip_result::Ok);
    EXPECT_EQ(unzip_item_to_handle(zip, 1, fd), zip_result::Ok); // a folder writes nothing
    EXPECT_EQ(unzip_item_to_handle(zip, 0, -1), zip_result::BadArguments);
    EXPECT_NE(::fcntl(fd, F_GETFD), -1);
    ::close(fd);
    unzip_close(zip);
    EXPECT_EQ(read_file("h.out"), data);
}

// Items whose data is longer or shorter than their declared size, with a CRC-32 that matches
// the declared bytes where it can, so only the length gives them away.
TEST_F(ZipExtract, ItemsWhoseDataDisagreesWithTheirSizeAreRefusedEverywhere)
{
    const Bytes old = text_bytes(77);
    struct Case
    {
        const char* name;
        const char* password;
        std::uint32_t declared;
    };
    // ".txt" is deflated, ".gz" stored; with a password both are encrypted.
    const Case cases[] = {{"a.txt", nullptr, 1000}, {"a.txt", nullptr, 50000}, {"a.gz", nullptr, 1000},
                          {"a.gz", nullptr, 50000}, {"a.txt", "pw", 1000},     {"a.txt", "pw", 50000},
                          {"a.gz", "pw", 1000},     {"a.gz", "pw", 50000}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::string(c.name) + (c.password ? " encrypted " : " ") + std::to_string(c.declared));
        std::filesystem::remove_all(path("out"));
        const Bytes data = text_bytes(40000);
        Bytes archive = build_archive({{c.name, data}}, c.password);
        const auto prefix_crc =
            static_cast<std::uint32_t>(crc32(0, data.data(), std::min<uInt>(c.declared, 40000)));
        declare_size(archive, 0, c.declared, prefix_crc);

        write_file(std::string("out/") + c.name, old);
        EXPECT_EQ(extract_all(archive, "out", c.password),
                  std::vector<ZipResult>{zip_result::CorruptArchive});
        EXPECT_EQ(read_file(std::string("out/") + c.name), old);
        EXPECT_EQ(entries("out"), std::vector<std::string>{c.name});

        ZipHandle* zip = open_memory(archive, c.password);
        const int fd = ::open(path("h.out").c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
        EXPECT_EQ(unzip_item_to_handle(zip, 0, fd), zip_result::CorruptArchive);
        ::close(fd);
        EXPECT_LE(read_file("h.out").size(), c.declared);

        // To memory in one large piece: a failure, and not a byte past the declared size.
        Bytes buffer(60000, 0xEE);
        EXPECT_EQ(unzip_item_to_memory(zip, 0, buffer.data(), 60000), zip_result::CorruptArchive);
        EXPECT_EQ(std::count(buffer.begin() + c.declared, buffer.end(), 0xEE),
                  static_cast<long>(buffer.size() - c.declared));
        // In small pieces: never Ok.
        ZipResult r;
        int pieces = 0;
        while ((r = unzip_item_to_memory(zip, 0, buffer.data(), 4096)) == zip_result::MoreToUnzip &&
               pieces < 100)
            ++pieces;
        EXPECT_EQ(r, zip_result::CorruptArchive);
        unzip_close(zip);
    }
}
