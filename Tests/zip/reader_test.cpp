#include "times.h"
#include "zip.h"
#include "zip_test_support.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace ziptest;

class ZipReader : public TempDir
{
};

TEST_F(ZipReader, CountAndIndexBounds)
{
    const Bytes archive =
        build_archive({{"a.txt", text_bytes(10)}, {"b/", {}, true}, {"c.bin", pattern_bytes(10)}});
    ZipHandle* zip = open_memory(archive);
    ASSERT_NE(zip, nullptr);
    ZipEntry entry{};
    entry.attributes = 99;
    EXPECT_EQ(unzip_get_item(zip, -1, &entry), zip_result::Ok);
    EXPECT_EQ(entry.index, 3);
    EXPECT_EQ(entry.name[0], u'\0');
    EXPECT_EQ(entry.attributes, 0u);
    EXPECT_EQ(entry.uncompressed_size, 0u);
    EXPECT_EQ(unzip_get_item(zip, 3, &entry), zip_result::BadArguments);
    EXPECT_EQ(unzip_get_item(zip, -2, &entry), zip_result::BadArguments);
    EXPECT_EQ(unzip_get_item(zip, 1, &entry), zip_result::Ok);
    EXPECT_EQ(ascii(entry.name), "b/");
    EXPECT_EQ(entry.attributes, 0x10u);
    unzip_close(zip);
}

TEST_F(ZipReader, FindsEndRecordPastCommentAndArchiveAfterStub)
{
    const Bytes data = text_bytes(3000);
    Bytes archive = build_archive({{"a.txt", data}, {"b.txt", data}});
    // A 2000-byte comment after the end record.
    archive[archive.size() - 2] = 2000 & 0xFF;
    archive[archive.size() - 1] = 2000 >> 8;
    archive.insert(archive.end(), 2000, 'c');
    // And 1000 bytes of something else before the first local header.
    archive.insert(archive.begin(), 1000, 'x');
    ZipHandle* zip = open_memory(archive);
    ASSERT_NE(zip, nullptr);
    Bytes back;
    EXPECT_EQ(read_item(zip, 1, back), zip_result::Ok);
    EXPECT_EQ(back, data);
    unzip_close(zip);

    const Bytes tiny = {'P', 'K', 5, 6};
    EXPECT_EQ(open_memory(tiny), nullptr);
    EXPECT_EQ(unzip_last_result(), zip_result::OpenFailed);
    EXPECT_EQ(open_memory(text_bytes(5000)), nullptr);
    EXPECT_EQ(unzip_open_file(wpath("missing.zip").c_str(), nullptr), nullptr);
    EXPECT_EQ(unzip_last_result(), zip_result::OpenFailed);
    EXPECT_EQ(unzip_open(archive.data(), 10, 9, nullptr), nullptr);
    EXPECT_EQ(unzip_last_result(), zip_result::BadArguments);
}

TEST_F(ZipReader, HandleSourcesMustSeek)
{
    const Bytes data = text_bytes(100);
    write_file("a.zip", build_archive({{"a.txt", data}}));
    const int fd = ::open(path("a.zip").c_str(), O_RDONLY);
    ZipHandle* zip =
        unzip_open(reinterpret_cast<void*>(static_cast<std::intptr_t>(fd)), 0, zip_kind::Handle, nullptr);
    ASSERT_NE(zip, nullptr);
    Bytes back;
    EXPECT_EQ(read_item(zip, 0, back), zip_result::Ok);
    EXPECT_EQ(back, data);
    unzip_close(zip);
    EXPECT_NE(::fcntl(fd, F_GETFD), -1);
    ::close(fd);

    int p[2];
    ASSERT_EQ(::pipe(p), 0);
    EXPECT_EQ(
        unzip_open(reinterpret_cast<void*>(static_cast<std::intptr_t>(p[0])), 0, zip_kind::Handle, nullptr),
        nullptr);
    EXPECT_EQ(unzip_last_result(), zip_result::SeekFailed);
    ::close(p[0]);
    ::close(p[1]);
}

TEST_F(ZipReader, PasswordsDecryptOrAreRefused)
{
    const Bytes text = text_bytes(20000);
    const Bytes binary = pattern_bytes(20000);
    const Bytes archive = build_archive({{"t.txt", text}, {"b.gz", binary}}, "s3cret");
    ZipHandle* zip = open_memory(archive, "s3cret");
    Bytes back;
    EXPECT_EQ(read_item(zip, 0, back), zip_result::Ok);
    EXPECT_EQ(back, text);
    EXPECT_EQ(read_item(zip, 1, back), zip_result::Ok);
    EXPECT_EQ(back, binary);
    unzip_close(zip);

    for (const char* wrong : {"other", "", static_cast<const char*>(nullptr)})
    {
        zip = open_memory(archive, wrong);
        Bytes buffer(100);
        EXPECT_EQ(unzip_item_to_memory(zip, 0, buffer.data(), 100), zip_result::WrongPassword);
        unzip_close(zip);
    }
}

TEST_F(ZipReader, MemoryExtractionComesInPiecesAndWalksBack)
{
    std::vector<MemoryItem> items;
    for (int i = 0; i < 6; ++i)
        items.push_back(
            {std::string("f").append(std::to_string(i)).append(".txt"),
             text_bytes(1000 + static_cast<std::size_t>(i) * 7000)});
    const Bytes archive = build_archive(items);
    ZipHandle* zip = open_memory(archive);
    Bytes buffer(4096);
    int more = 0;
    ZipResult r;
    while ((r = unzip_item_to_memory(zip, 5, buffer.data(), 4096)) == zip_result::MoreToUnzip)
        ++more;
    EXPECT_EQ(r, zip_result::Ok);
    EXPECT_EQ(more, 36000 / 4096);
    Bytes back;
    EXPECT_EQ(read_item(zip, 2, back), zip_result::Ok);
    EXPECT_EQ(back, items[2].data);
    EXPECT_EQ(read_item(zip, 2, back), zip_result::Ok);
    EXPECT_EQ(back, items[2].data);
    // Describing another item in the middle restarts the interrupted one.
    EXPECT_EQ(unzip_item_to_memory(zip, 4, buffer.data(), 4096), zip_result::MoreToUnzip);
    ZipEntry entry{};
    EXPECT_EQ(unzip_get_item(zip, 0, &entry), zip_result::Ok);
    EXPECT_EQ(read_item(zip, 4, back), zip_result::Ok);
    EXPECT_EQ(back, items[4].data);
    EXPECT_EQ(unzip_item_to_memory(zip, 6, buffer.data(), 4096), zip_result::BadArguments);
    EXPECT_EQ(unzip_item_to_memory(zip, 0, nullptr, 4096), zip_result::BadArguments);
    unzip_close(zip);
}

TEST_F(ZipReader, FindItemByNameWithOrWithoutCase)
{
    const Bytes archive = build_archive({{"Dir/Readme.TXT", text_bytes(10)}, {"other", text_bytes(20)}});
    ZipHandle* zip = open_memory(archive);
    std::int32_t index = 99;
    ZipEntry entry{};
    EXPECT_EQ(unzip_find_item(zip, u"other", false, &index, &entry), zip_result::Ok);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(entry.uncompressed_size, 20u);
    EXPECT_EQ(unzip_find_item(zip, u"dir/readme.txt", false, &index, &entry), zip_result::ItemNotFound);
    EXPECT_EQ(index, -1);
    EXPECT_EQ(entry.index, -1);
    EXPECT_EQ(unzip_find_item(zip, u"dir/readme.txt", true, &index, nullptr), zip_result::Ok);
    EXPECT_EQ(index, 0);
    EXPECT_EQ(unzip_find_item(zip, std::u16string(256, u'a').c_str(), true, &index, nullptr),
              zip_result::ItemNotFound);
    EXPECT_EQ(unzip_find_item(zip, u"othe", false, nullptr, nullptr), zip_result::ItemNotFound);
    unzip_close(zip);
}

TEST_F(ZipReader, AttributesFollowTheHostThatMadeTheItem)
{
    const Bytes archive = raw_archive({
        {"unix-rw", {}, 0x0317, 0x81A40000},   // -rw-r--r--
        {"unix-ro", {}, 0x0317, 0x81240000},   // -r--r--r--
        {"unix-dir/", {}, 0x0317, 0x41ED0000}, // drwxr-xr-x
        {"win", {}, 0x0014, 0x00000027},       // FAT: read-only, hidden, system, archive
    });
    ZipHandle* zip = open_memory(archive);
    const std::uint32_t expected[] = {0x20, 0x21, 0x30, 0x27};
    for (int i = 0; i < 4; ++i)
    {
        ZipEntry entry{};
        ASSERT_EQ(unzip_get_item(zip, i, &entry), zip_result::Ok);
        EXPECT_EQ(entry.attributes, expected[i]) << i;
    }
    unzip_close(zip);
}

TEST_F(ZipReader, TimesComeFromTimestampFieldElseFromDosStamp)
{
    Bytes ut = {'U', 'T', 13, 0, 7};
    put_le(ut, 1614834367, 4);
    put_le(ut, 1600000000, 4);
    put_le(ut, 1500000000, 4);
    Bytes cut = {'U', 'T', 13, 0, 7}; // announces three times, field holds one
    put_le(cut, 1614834367, 4);
    const Bytes archive = raw_archive({{"a", {}, 0x0B17, 0x20, 0x52640000, ut},
                                       {"b", {}, 0x0B17, 0x20, 0x52640000, {}},
                                       {"c", {}, 0x0B17, 0x20, 0x52640000, cut},
                                       {"d", {}, 0x0B17, 0x20, 0x00000000, {}}});
    ZipHandle* zip = open_memory(archive);
    ZipEntry entry{};
    ASSERT_EQ(unzip_get_item(zip, 0, &entry), zip_result::Ok);
    EXPECT_EQ(entry.write_time, zipengine::filetime_from_unix(1614834367));
    EXPECT_EQ(entry.access_time, zipengine::filetime_from_unix(1600000000));
    EXPECT_EQ(entry.creation_time, zipengine::filetime_from_unix(1500000000));
    ASSERT_EQ(unzip_get_item(zip, 1, &entry), zip_result::Ok);
    const ZipFileTime dos = zipengine::filetime_from_dos_local(0x52640000);
    EXPECT_EQ(entry.write_time, dos);
    EXPECT_EQ(entry.access_time, dos);
    EXPECT_EQ(entry.creation_time, dos);
    ASSERT_EQ(unzip_get_item(zip, 2, &entry), zip_result::Ok);
    EXPECT_EQ(entry.write_time, zipengine::filetime_from_unix(1614834367));
    EXPECT_EQ(entry.access_time, dos);
    ASSERT_EQ(unzip_get_item(zip, 3, &entry), zip_result::Ok);
    EXPECT_EQ(entry.write_time, zipengine::InvalidDosFileTime);
    unzip_close(zip);
}

TEST_F(ZipReader, LongStoredNamesAreCutAndTerminated)
{
    const std::string name(300, 'n');
    const Bytes archive = raw_archive({{name, text_bytes(5)}, {"next", text_bytes(6)}});
    ZipHandle* zip = open_memory(archive);
    ZipEntry entry{};
    ASSERT_EQ(unzip_get_item(zip, 0, &entry), zip_result::Ok);
    EXPECT_EQ(ascii(entry.name), std::string(259, 'n'));
    ASSERT_EQ(unzip_get_item(zip, 1, &entry), zip_result::Ok); // the walk skips the whole name
    EXPECT_EQ(ascii(entry.name), "next");
    unzip_close(zip);
}

TEST_F(ZipReader, DamagedArchivesFailWithoutOverreading)
{
    const Bytes data = text_bytes(4000);
    const Bytes good = build_archive({{"a.txt", data}, {"b.txt", data}, {"c.txt", data}});
    const std::size_t directory = le32(good, good.size() - 6);

    // An unreadable central header stops the walk; earlier items still work.
    Bytes broken = good;
    const std::size_t second = directory + 46 + 5 + 9;
    broken[second] = 'X';
    ZipHandle* zip = open_memory(broken);
    ZipEntry entry{};
    EXPECT_EQ(unzip_get_item(zip, 2, &entry), zip_result::CorruptArchive);
    EXPECT_EQ(unzip_get_item(zip, 1, &entry), zip_result::CorruptArchive);
    EXPECT_EQ(unzip_get_item(zip, 0, &entry), zip_result::Ok);
    unzip_close(zip);

    // A local header that disagrees with its central header.
    Bytes local = good;
    local[8] = 0; // method 0 where the central header says 8
    zip = open_memory(local);
    EXPECT_EQ(unzip_get_item(zip, 0, &entry), zip_result::CorruptArchive);
    Bytes buffer(100);
    EXPECT_EQ(unzip_item_to_memory(zip, 0, buffer.data(), 100), zip_result::FlateFailed);
    unzip_close(zip);

    // Damaged deflate data.
    Bytes flate = good;
    for (std::size_t i = 30 + 5 + 17; i < 30 + 5 + 17 + 40; ++i)
        flate[i] ^= 0x5A;
    zip = open_memory(flate);
    Bytes back;
    const ZipResult r = read_item(zip, 0, back);
    EXPECT_TRUE(r == zip_result::FlateFailed || r == zip_result::CorruptArchive) << r;
    unzip_close(zip);

    // A central directory claiming more bytes than lie before the end record.
    Bytes claim = good;
    claim[claim.size() - 10] = 0xFF;
    claim[claim.size() - 9] = 0xFF;
    EXPECT_EQ(open_memory(claim), nullptr);
}

TEST_F(ZipReader, CrcMismatchIsReportedOnTheLastPiece)
{
    Bytes archive = raw_archive({{"a.bin", pattern_bytes(10000)}});
    archive[30 + 5 + 9000] ^= 1; // a stored data byte
    ZipHandle* zip = open_memory(archive);
    Bytes buffer(4096);
    EXPECT_EQ(unzip_item_to_memory(zip, 0, buffer.data(), 4096), zip_result::MoreToUnzip);
    EXPECT_EQ(unzip_item_to_memory(zip, 0, buffer.data(), 4096), zip_result::MoreToUnzip);
    EXPECT_EQ(unzip_item_to_memory(zip, 0, buffer.data(), 4096), zip_result::CorruptArchive);
    unzip_close(zip);
}

TEST_F(ZipReader, OverlappingItemsAreRefusedAtOpen)
{
    const Bytes good = raw_archive({{"a", pattern_bytes(100)}, {"b", pattern_bytes(50)}});
    const std::size_t second = central_header_at(good, 1);
    const std::size_t directory = le32(good, good.size() - 6);
    ZipHandle* zip = open_memory(good);
    ASSERT_NE(zip, nullptr);
    unzip_close(zip);

    Bytes same = good; // both central entries name the first local record
    set_le(same, second + 42, 0, 4);
    Bytes quoted = good; // the second local record starts inside the first item's data
    set_le(quoted, second + 42, 30 + 1 + 60, 4);
    Bytes into = good; // the last item's data runs one byte into the central directory
    set_le(into, second + 20, 51, 4);
    set_le(into, second + 24, 51, 4);
    Bytes past = good; // a local record placed after the central directory starts
    set_le(past, second + 42, static_cast<std::uint32_t>(directory + 10), 4);
    for (const Bytes* bad : {&same, &quoted, &into, &past})
    {
        EXPECT_EQ(open_memory(*bad), nullptr);
        EXPECT_EQ(unzip_last_result(), zip_result::CorruptArchive);
    }

    // The non-recursive bomb: 65535 central entries sharing one local record.
    const std::size_t local_end = 30 + 1 + 100;
    Bytes bomb(good.begin(), good.begin() + static_cast<long>(local_end));
    for (int i = 0; i < 0xFFFF; ++i)
        bomb.insert(bomb.end(), good.begin() + static_cast<long>(directory),
                    good.begin() + static_cast<long>(second));
    const std::uint32_t entry = static_cast<std::uint32_t>(second - directory);
    put_le(bomb, 0x06054B50, 4);
    put_le(bomb, 0, 4);
    put_le(bomb, 0xFFFF, 2);
    put_le(bomb, 0xFFFF, 2);
    put_le(bomb, entry * 0xFFFF, 4);
    put_le(bomb, static_cast<std::uint32_t>(local_end), 4);
    put_le(bomb, 0, 2);
    EXPECT_EQ(open_memory(bomb), nullptr);
    EXPECT_EQ(unzip_last_result(), zip_result::CorruptArchive);
}

TEST_F(ZipReader, OverlapHiddenInTheLocalExtraFieldIsRefusedWhenTheItemIsRead)
{
    const Bytes second = pattern_bytes(50, 2);
    Bytes archive = raw_archive({{"a", pattern_bytes(100)}, {"b", second}});
    archive[28] = 20; // the first local extra field swallows 20 data bytes: its data now runs into "b"
    ZipHandle* zip = open_memory(archive);
    ASSERT_NE(zip, nullptr);
    ZipEntry entry{};
    EXPECT_EQ(unzip_get_item(zip, 0, &entry), zip_result::CorruptArchive);
    Bytes buffer(4096);
    EXPECT_EQ(unzip_item_to_memory(zip, 0, buffer.data(), 4096), zip_result::CorruptArchive);
    EXPECT_EQ(unzip_item_to_file(zip, 0, wpath("a").c_str()), zip_result::CorruptArchive);
    EXPECT_TRUE(entries().empty()); // neither the file nor its temporary
    Bytes back;
    EXPECT_EQ(read_item(zip, 1, back), zip_result::Ok);
    EXPECT_EQ(back, second);
    unzip_close(zip);
}
