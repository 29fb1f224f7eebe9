#include "crypt.h"
#include "zip.h"
#include "zip_test_support.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace ziptest;

namespace
{
// Offsets of the records of a finished archive, found from its end record.
struct Layout
{
    std::uint32_t count = 0;
    std::uint32_t directory = 0;
    std::vector<std::uint32_t> central; // offset of each central header
    std::uint32_t local(const Bytes& b, std::size_t i) const { return le32(b, central[i] + 42); }
};

Layout layout_of(const Bytes& b)
{
    Layout l;
    const std::size_t end = b.size() - 22;
    EXPECT_EQ(le32(b, end), 0x06054B50u);
    l.count = le16(b, end + 10);
    l.directory = le32(b, end + 16);
    std::uint32_t at = l.directory;
    for (std::uint32_t i = 0; i < l.count; ++i)
    {
        EXPECT_EQ(le32(b, at), 0x02014B50u);
        l.central.push_back(at);
        at += 46 + le16(b, at + 28) + le16(b, at + 30) + le16(b, at + 32);
    }
    EXPECT_EQ(le32(b, end + 12), at - l.directory);
    return l;
}
} // namespace

class ZipWriter : public TempDir
{
};

TEST_F(ZipWriter, PlainItemsHaveNoDescriptorAndMatchingHeaders)
{
    const Bytes text = text_bytes(3000);
    const Bytes archive = build_archive({{"notes.txt", text}, {"inner.zip", text}});
    const Layout l = layout_of(archive);
    ASSERT_EQ(l.count, 2u);
    const std::uint16_t expected_flags[] = {2, 0};
    const std::uint16_t expected_method[] = {8, 0};
    for (std::size_t i = 0; i < 2; ++i)
    {
        const std::uint32_t c = l.central[i];
        const std::uint32_t h = l.local(archive, i);
        EXPECT_EQ(le32(archive, h), 0x04034B50u);
        EXPECT_EQ(le16(archive, h + 4), 20);
        EXPECT_EQ(le16(archive, h + 6), expected_flags[i]);
        EXPECT_EQ(le16(archive, c + 8), expected_flags[i]);
        EXPECT_EQ(le16(archive, h + 8), expected_method[i]);
        EXPECT_EQ(le16(archive, c + 10), expected_method[i]);
        for (std::size_t f = 0; f < 12; f += 4) // CRC, sizes agree
            EXPECT_EQ(le32(archive, h + 14 + f), le32(archive, c + 16 + f));
        EXPECT_EQ(le32(archive, c + 24), 3000u);
        EXPECT_EQ(archive[c + 4], 0x17);
        EXPECT_EQ(archive[c + 5], 0x0B);
        EXPECT_EQ(le16(archive, h + 28), 17);
        EXPECT_EQ(le16(archive, c + 30), 9);
        EXPECT_EQ(le32(archive, c + 38), 0x80000000u); // memory source
        const std::uint16_t n = le16(archive, h + 26);
        EXPECT_EQ(le16(archive, h + 30 + n), 0x5455);
        EXPECT_EQ(archive[h + 30 + n + 4], 7);
        // The data ends where the next record starts: no descriptor in between.
        const std::uint32_t next = i + 1 < l.count ? l.local(archive, i + 1) : l.directory;
        EXPECT_EQ(h + 30 + n + 17 + le32(archive, c + 20), next);
    }
    EXPECT_LT(le32(archive, l.central[0] + 20), 3000u); // deflated really compresses
    EXPECT_EQ(le32(archive, l.central[0] + 16), crc32(0, text.data(), 3000));
}

TEST_F(ZipWriter, EncryptedItemHasDataDescriptor)
{
    const Bytes text = text_bytes(5000);
    const Bytes archive = build_archive({{"a.txt", text}}, "pw");
    const Layout l = layout_of(archive);
    const std::uint32_t h = l.local(archive, 0);
    const std::uint32_t c = l.central[0];
    EXPECT_EQ(le16(archive, h + 6), 9);
    EXPECT_EQ(le16(archive, c + 8), 9);
    EXPECT_EQ(le32(archive, h + 14), 0u);
    EXPECT_EQ(le32(archive, h + 18), 0u);
    EXPECT_EQ(le32(archive, h + 22), 5000u);
    const std::uint32_t compressed = le32(archive, c + 20);
    const std::uint32_t data = h + 30 + 5 + 17;
    const std::uint32_t descriptor = data + compressed;
    EXPECT_EQ(le32(archive, descriptor), 0x08074B50u);
    EXPECT_EQ(le32(archive, descriptor + 4), le32(archive, c + 16));
    EXPECT_EQ(le32(archive, descriptor + 8), compressed);
    EXPECT_EQ(le32(archive, descriptor + 12), 5000u);
    EXPECT_EQ(le32(archive, c + 16), crc32(0, text.data(), 5000));

    // The last header byte decrypts to the high byte of the DOS time.
    Bytes header(archive.begin() + data, archive.begin() + data + 12);
    zipengine::EntryKeys keys = zipengine::make_keys("pw");
    zipengine::decrypt_bytes(keys, header.data(), header.size());
    EXPECT_EQ(header[11], archive[c + 13]);
}

TEST_F(ZipWriter, FolderIsStoredPlainEvenWithPassword)
{
    const Bytes archive = build_archive({{"sub", {}, true}, {"other/", {}, true}}, "pw");
    const Layout l = layout_of(archive);
    for (std::size_t i = 0; i < 2; ++i)
    {
        const std::uint32_t c = l.central[i];
        EXPECT_EQ(le16(archive, c + 8), 0);
        EXPECT_EQ(le16(archive, c + 10), 0);
        EXPECT_EQ(le32(archive, c + 16), 0u);
        EXPECT_EQ(le32(archive, c + 20), 0u);
        EXPECT_EQ(le32(archive, c + 24), 0u);
        EXPECT_EQ(le32(archive, c + 38), 0x41C00010u);
    }
    EXPECT_EQ(std::string(archive.begin() + l.central[0] + 46, archive.begin() + l.central[0] + 50), "sub/");
    EXPECT_EQ(le16(archive, l.central[1] + 28), 6); // no second slash
}

TEST_F(ZipWriter, BackslashesBecomeSlashes)
{
    const Bytes archive = build_archive({{"Game\\en\\Game.archive", text_bytes(10)}});
    const Layout l = layout_of(archive);
    EXPECT_EQ(std::string(archive.begin() + l.central[0] + 46, archive.begin() + l.central[0] + 46 + 20),
              "Game/en/Game.archive");
}

TEST_F(ZipWriter, CallerMistakesAreRefusedWithoutWriting)
{
    Bytes block(1 << 16);
    ZipHandle* zip =
        zip_create(block.data(), static_cast<std::uint32_t>(block.size()), zip_kind::Memory, nullptr);
    const Bytes data = text_bytes(10);
    EXPECT_EQ(zip_add_memory(zip, u"", data.data(), 10), zip_result::BadArguments);
    EXPECT_EQ(zip_add_memory(zip, nullptr, data.data(), 10), zip_result::BadArguments);
    EXPECT_EQ(zip_add_memory(zip, u"a", nullptr, 10), zip_result::BadArguments);
    EXPECT_EQ(zip_add_memory(zip, u"a", data.data(), 0), zip_result::BadArguments);
    EXPECT_EQ(zip_add_file(zip, u"a", nullptr), zip_result::BadArguments);
    EXPECT_EQ(zip_add_handle(zip, u"a", -1), zip_result::BadArguments);
    EXPECT_EQ(zip_add(zip, u"a", data.data(), 10, 7), zip_result::BadArguments);
    EXPECT_EQ(zip_add_file(zip, u"a", wpath("missing").c_str()), zip_result::OpenFailed);
    EXPECT_EQ(zip_add_file(zip, u"a", wpath("").c_str()), zip_result::OpenFailed); // a folder
    EXPECT_EQ(zip_last_result(), zip_result::OpenFailed);

    // Names past 259 UTF-16 units, or past 259 UTF-8 bytes with a folder's slash, are refused.
    const std::u16string long_name(260, u'n');
    EXPECT_EQ(zip_add_memory(zip, long_name.c_str(), data.data(), 10), zip_result::BadArguments);
    const std::u16string wide_chars(130, u'\u00e9'); // 260 bytes of UTF-8
    EXPECT_EQ(zip_add_memory(zip, wide_chars.c_str(), data.data(), 10), zip_result::BadArguments);
    EXPECT_EQ(zip_add_folder(zip, std::u16string(259, u'f').c_str()), zip_result::BadArguments);
    EXPECT_EQ(zip_add_folder(zip, std::u16string(258, u'f').c_str()), zip_result::Ok);
    EXPECT_EQ(zip_add_memory(zip, std::u16string(259, u'n').c_str(), data.data(), 10), zip_result::Ok);

    void* out = nullptr;
    std::uint32_t length = 0;
    ASSERT_EQ(zip_get_memory(zip, &out, &length), zip_result::Ok);
    EXPECT_EQ(layout_of(Bytes(block.begin(), block.begin() + length)).count, 2u);
    EXPECT_EQ(zip_add_folder(zip, u"late/"), zip_result::AlreadyFinished);
    EXPECT_EQ(zip_close(zip), zip_result::Ok);

    EXPECT_EQ(zip_create(block.data(), 0, zip_kind::Memory, nullptr), nullptr);
    EXPECT_EQ(zip_last_result(), zip_result::MemoryFull);
    EXPECT_EQ(zip_create_file(wpath("no/such/dir/a.zip").c_str(), nullptr), nullptr);
    EXPECT_EQ(zip_last_result(), zip_result::OpenFailed);
}

TEST_F(ZipWriter, MemoryArchiveNeedsOneByteMoreThanItsSize)
{
    const Bytes data = text_bytes(1000);
    const std::size_t exact = build_archive({{"a.txt", data}}).size();
    for (const std::size_t capacity : {exact, exact + 1})
    {
        Bytes block(capacity);
        ZipHandle* zip =
            zip_create(block.data(), static_cast<std::uint32_t>(capacity), zip_kind::Memory, nullptr);
        EXPECT_EQ(zip_add_memory(zip, u"a.txt", data.data(), 1000), zip_result::Ok);
        EXPECT_EQ(zip_close(zip), capacity == exact ? zip_result::MemoryFull : zip_result::Ok);
    }
    // Once the block is full every later add is refused as an earlier failure.
    Bytes small(100);
    ZipHandle* zip = zip_create(small.data(), 100, zip_kind::Memory, nullptr);
    EXPECT_EQ(zip_add_memory(zip, u"a.txt", data.data(), 1000), zip_result::MemoryFull);
    EXPECT_EQ(zip_add_memory(zip, u"b.txt", data.data(), 10), zip_result::EarlierFailure);
    zip_close(zip);
}

TEST_F(ZipWriter, AnonymousMappingAndNonMemoryArchives)
{
    ZipHandle* zip = zip_create(nullptr, 1 << 20, zip_kind::Memory, nullptr);
    ASSERT_NE(zip, nullptr);
    const Bytes data = pattern_bytes(5000);
    EXPECT_EQ(zip_add_memory(zip, u"b.bin", data.data(), 5000), zip_result::Ok);
    void* out = nullptr;
    std::uint32_t length = 0;
    ASSERT_EQ(zip_get_memory(zip, &out, &length), zip_result::Ok);
    ZipHandle* reader = unzip_open(out, length, zip_kind::Memory, nullptr);
    Bytes back;
    EXPECT_EQ(read_item(reader, 0, back), zip_result::Ok);
    EXPECT_EQ(back, data);
    unzip_close(reader);
    zip_close(zip);

    ZipHandle* file = zip_create_file(wpath("f.zip").c_str(), nullptr);
    EXPECT_EQ(zip_get_memory(file, &out, &length), zip_result::NotMemoryArchive);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(zip_close(file), zip_result::Ok);
    EXPECT_EQ(read_file("f.zip").size(), 22u);
}

TEST_F(ZipWriter, TwoArchivesOfSameInputDifferInEncryptionHeader)
{
    const Bytes data = text_bytes(100);
    const Bytes a = build_archive({{"a.txt", data}}, "pw");
    const Bytes b = build_archive({{"a.txt", data}}, "pw");
    const std::size_t header = 30 + 5 + 17;
    EXPECT_NE(Bytes(a.begin() + header, a.begin() + header + 11),
              Bytes(b.begin() + header, b.begin() + header + 11));
}

TEST_F(ZipWriter, FileSourceCarriesAttributesAndTimes)
{
    write_file("rw.txt", text_bytes(100));
    write_file("ro.txt", text_bytes(100));
    write_file("run.sh", text_bytes(100));
    ::chmod(path("ro.txt").c_str(), 0444);
    ::chmod(path("run.sh").c_str(), 0755);
    const timespec times[2] = {{1600000000, 0}, {1614834367, 0}}; // access, modification
    ::utimensat(AT_FDCWD, path("rw.txt").c_str(), times, 0);

    ZipHandle* zip = zip_create_file(wpath("t.zip").c_str(), nullptr);
    ASSERT_EQ(zip_add_file(zip, u"rw.txt", wpath("rw.txt").c_str()), zip_result::Ok);
    ASSERT_EQ(zip_add_file(zip, u"ro.txt", wpath("ro.txt").c_str()), zip_result::Ok);
    ASSERT_EQ(zip_add_file(zip, u"run.sh", wpath("run.sh").c_str()), zip_result::Ok);
    ASSERT_EQ(zip_close(zip), zip_result::Ok);

    const Bytes archive = read_file("t.zip");
    const Layout l = layout_of(archive);
    EXPECT_EQ(le32(archive, l.central[0] + 38), 0x81800020u);
    EXPECT_EQ(le32(archive, l.central[1] + 38), 0x81000021u);
    EXPECT_EQ(le32(archive, l.central[2] + 38), 0x81C00020u);
    // The central extra holds the modification time; the DOS stamp is the same instant in UTC.
    const std::uint32_t c = l.central[0];
    EXPECT_EQ(le32(archive, c + 46 + 6 + 5), 1614834367u);
    EXPECT_EQ(le32(archive, c + 12), (((2021u - 1980) * 512 + 3 * 32 + 4) << 16) | (5 * 2048u + 6 * 32 + 3));
    const std::uint32_t h = l.local(archive, 0);
    EXPECT_EQ(le32(archive, h + 30 + 6 + 5), 1614834367u);
    EXPECT_EQ(le32(archive, h + 30 + 6 + 9), 1600000000u);
}

TEST_F(ZipWriter, HandleOutputStartsAtItsPosition)
{
    const int fd = ::open(path("stub.zip").c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
    const Bytes stub(100, 'S');
    ASSERT_EQ(::write(fd, stub.data(), stub.size()), 100);
    ZipHandle* zip =
        zip_create(reinterpret_cast<void*>(static_cast<std::intptr_t>(fd)), 0, zip_kind::Handle, nullptr);
    const Bytes data = text_bytes(500);
    EXPECT_EQ(zip_add_memory(zip, u"a.txt", data.data(), 500), zip_result::Ok);
    EXPECT_EQ(zip_close(zip), zip_result::Ok);
    EXPECT_NE(::fcntl(fd, F_GETFD), -1); // the caller's handle stays open
    ::close(fd);
    const Bytes archive = read_file("stub.zip");
    EXPECT_EQ(layout_of(archive).local(archive, 0), 100u); // offsets count from the file start
    ZipHandle* reader = unzip_open_file(wpath("stub.zip").c_str(), nullptr);
    Bytes back;
    EXPECT_EQ(read_item(reader, 0, back), zip_result::Ok);
    EXPECT_EQ(back, data);
    unzip_close(reader);
}

TEST_F(ZipWriter, UnseekableOutputAndSourcesUseDescriptors)
{
    int out[2];
    int in[2];
    ASSERT_EQ(::pipe(out), 0);
    ASSERT_EQ(::pipe(in), 0);
    const Bytes data = text_bytes(2000);
    ASSERT_EQ(::write(in[1], data.data(), data.size()), 2000);
    ::close(in[1]);
    ZipHandle* zip =
        zip_create(reinterpret_cast<void*>(static_cast<std::intptr_t>(out[1])), 0, zip_kind::Handle, nullptr);
    ASSERT_NE(zip, nullptr);
    EXPECT_EQ(zip_add_handle(zip, u"piped.txt", in[0]), zip_result::Ok);
    EXPECT_EQ(zip_add_memory(zip, u"m.txt", data.data(), 100), zip_result::Ok);
    EXPECT_EQ(zip_add_folder(zip, u"d/"), zip_result::Ok);
    EXPECT_EQ(zip_close(zip), zip_result::Ok);
    ::close(out[1]);
    ::close(in[0]);
    Bytes archive(1 << 16);
    const auto n = ::read(out[0], archive.data(), archive.size());
    ::close(out[0]);
    ASSERT_GT(n, 0);
    archive.resize(static_cast<std::size_t>(n));
    const Layout l = layout_of(archive);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(le16(archive, l.central[i] + 8), 8);
    EXPECT_EQ(le32(archive, l.local(archive, 0) + 22), 0xFFFFFFFFu); // size unknown up front
    ZipHandle* reader =
        unzip_open(archive.data(), static_cast<std::uint32_t>(archive.size()), zip_kind::Memory, nullptr);
    Bytes back;
    EXPECT_EQ(read_item(reader, 0, back), zip_result::Ok);
    EXPECT_EQ(back, data);
    unzip_close(reader);
}

TEST_F(ZipWriter, StoredItemOfUnknownSizeCannotBeEncrypted)
{
    int in[2];
    ASSERT_EQ(::pipe(in), 0);
    ASSERT_EQ(::write(in[1], "abc", 3), 3);
    ::close(in[1]);
    Bytes block(4096);
    ZipHandle* zip = zip_create(block.data(), 4096, zip_kind::Memory, "pw");
    EXPECT_EQ(zip_add_handle(zip, u"x.zip", in[0]), zip_result::CannotRevise);
    ::close(in[0]);
    zip_close(zip);
}

TEST_F(ZipWriter, OutputFailureIsStickyAndReported)
{
    const int fd = ::open("/dev/full", O_WRONLY);
    if (fd < 0)
        GTEST_SKIP() << "no /dev/full";
    ZipHandle* zip =
        zip_create(reinterpret_cast<void*>(static_cast<std::intptr_t>(fd)), 0, zip_kind::Handle, nullptr);
    const Bytes data = text_bytes(10);
    EXPECT_EQ(zip_add_memory(zip, u"a", data.data(), 10), zip_result::WriteFailed);
    EXPECT_EQ(zip_add_memory(zip, u"b", data.data(), 10), zip_result::EarlierFailure);
    EXPECT_EQ(zip_close(zip), zip_result::WriteFailed);
    ::close(fd);
}

TEST_F(ZipWriter, SourcesAndArchivesPastLimitsAreRefused)
{
    // A 4 GiB sparse source cannot be described with 32-bit sizes.
    const int fd = ::open(path("big").c_str(), O_RDWR | O_CREAT, 0644);
    ASSERT_EQ(::ftruncate(fd, 0x100000000LL), 0);
    ::close(fd);
    Bytes block(1 << 16);
    ZipHandle* zip =
        zip_create(block.data(), static_cast<std::uint32_t>(block.size()), zip_kind::Memory, nullptr);
    EXPECT_EQ(zip_add_file(zip, u"big", wpath("big").c_str()), zip_result::BadArguments);
    zip_close(zip);

    // An archive that would grow past 4 GiB stops at the limit instead of wrapping its offsets.
    const int near = ::open(path("near").c_str(), O_RDWR | O_CREAT, 0644);
    ASSERT_EQ(::lseek(near, 0xFFFFFF00LL, SEEK_SET), 0xFFFFFF00LL);
    ZipHandle* edge =
        zip_create(reinterpret_cast<void*>(static_cast<std::intptr_t>(near)), 0, zip_kind::Handle, nullptr);
    const Bytes content = pattern_bytes(1000);
    EXPECT_EQ(zip_add_memory(edge, u"a.bin", content.data(), 1000), zip_result::WriteFailed);
    EXPECT_EQ(zip_add_memory(edge, u"b.bin", content.data(), 10), zip_result::EarlierFailure);
    EXPECT_EQ(zip_close(edge), zip_result::Ok); // the end record alone still fits
    EXPECT_LE(::lseek(near, 0, SEEK_END), 0xFFFFFFFFLL);
    ::close(near);

    // The item count is 16-bit: the 65536th item is refused, the archive stays valid.
    ZipHandle* many = zip_create(nullptr, 16u << 20, zip_kind::Memory, nullptr);
    for (int i = 0; i < 65535; ++i)
        ASSERT_EQ(zip_add_folder(many, u"d/"), zip_result::Ok) << i;
    EXPECT_EQ(zip_add_folder(many, u"d/"), zip_result::BadArguments);
    void* data = nullptr;
    std::uint32_t length = 0;
    ASSERT_EQ(zip_get_memory(many, &data, &length), zip_result::Ok);
    ZipHandle* reader = unzip_open(data, length, zip_kind::Memory, nullptr);
    ZipEntry entry{};
    EXPECT_EQ(unzip_get_item(reader, -1, &entry), zip_result::Ok);
    EXPECT_EQ(entry.index, 65535);
    unzip_close(reader);
    zip_close(many);
}
