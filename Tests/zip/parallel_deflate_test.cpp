// Large items deflated in blocks on the worker pool: the joined stream must be one valid
// deflate stream whatever the block boundaries, and the records must describe it exactly.
#include "parallel_deflate.h"
#include "worker_pool.h"
#include "zip.h"
#include "zip_test_support.h"

#include <cstdlib>
#include <gtest/gtest.h>

using namespace ziptest;
using zipengine::ParallelBlockSize;
using zipengine::ParallelThreshold;

namespace
{
// Collects what a stream layer writes.
class Collect final : public zipengine::Stream
{
public:
    Bytes bytes;
    std::size_t limit = SIZE_MAX; // refuse writes past this many bytes
    ZipResult write(const void* data, std::size_t size) override
    {
        if (bytes.size() + size > limit)
            return zip_result::WriteFailed;
        const auto* p = static_cast<const std::uint8_t*>(data);
        bytes.insert(bytes.end(), p, p + size);
        return zip_result::Ok;
    }
};

// Inflates a raw deflate stream with zlib; false unless it ends exactly at its last byte.
bool raw_inflate(const Bytes& compressed, Bytes& out, std::size_t expected)
{
    z_stream z{};
    if (inflateInit2(&z, -15) != Z_OK)
        return false;
    out.assign(expected + 1, 0);
    z.next_in = const_cast<Bytef*>(compressed.data());
    z.avail_in = static_cast<uInt>(compressed.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    const int rc = inflate(&z, Z_FINISH);
    const bool whole = rc == Z_STREAM_END && z.avail_in == 0;
    out.resize(out.size() - z.avail_out);
    inflateEnd(&z);
    return whole;
}

std::uint32_t crc_of(const Bytes& data)
{
    return static_cast<std::uint32_t>(crc32(0, data.data(), static_cast<uInt>(data.size())));
}

Bytes repetitive_bytes(std::size_t size)
{
    Bytes data(size);
    for (std::size_t i = 0; i < size; ++i)
        data[i] = static_cast<std::uint8_t>("abcabcabd"[i % 9]);
    return data;
}

// Streams `data` through a parallel deflate layer in uneven writes.
Bytes parallel_deflate(zipengine::WorkerPool& pool, const Bytes& data, std::size_t in_flight = 4)
{
    Collect sink;
    zipengine::ParallelDeflateStream stream(pool, in_flight);
    stream.begin(sink);
    std::size_t at = 0;
    for (std::size_t step = 1; at < data.size(); step = step * 3 + 7)
    {
        const std::size_t n = std::min(step % 50000 + 1, data.size() - at);
        EXPECT_EQ(stream.write(data.data() + at, n), zip_result::Ok);
        at += n;
    }
    EXPECT_EQ(stream.finish(), zip_result::Ok);
    EXPECT_EQ(stream.crc(), crc_of(data));
    EXPECT_EQ(stream.length(), data.size());
    return sink.bytes;
}

struct Central
{
    std::uint32_t crc, compressed, uncompressed, local;
    std::uint16_t method;
};

Central central_of(const Bytes& archive, int index)
{
    const std::size_t at = central_header_at(archive, index);
    return {le32(archive, at + 16), le32(archive, at + 20), le32(archive, at + 24), le32(archive, at + 42),
            le16(archive, at + 10)};
}

class Threads
{
public:
    explicit Threads(const char* count) { setenv("LIRNO_ZIP_THREADS", count, 1); }
    ~Threads() { unsetenv("LIRNO_ZIP_THREADS"); }
};

// Writes one memory item into a memory archive with the given thread setting.
Bytes archive_of(const Bytes& data, const char* threads, const char* password = nullptr, ZipResult* result = nullptr,
                 std::size_t capacity = 0)
{
    Threads setting(threads);
    Bytes block(capacity != 0 ? capacity : data.size() + data.size() / 50 + 4096);
    ZipHandle* zip = zip_create(block.data(), static_cast<std::uint32_t>(block.size()), zip_kind::Memory, password);
    EXPECT_NE(zip, nullptr);
    const ZipResult added = zip_add_memory(zip, u"big.txt", data.data(), static_cast<std::uint32_t>(data.size()));
    if (result != nullptr)
        *result = added;
    else
        EXPECT_EQ(added, zip_result::Ok);
    void* bytes = nullptr;
    std::uint32_t length = 0;
    zip_get_memory(zip, &bytes, &length);
    Bytes out(static_cast<std::uint8_t*>(bytes), static_cast<std::uint8_t*>(bytes) + length);
    EXPECT_EQ(zip_close(zip), zip_result::Ok);
    return out;
}

// Checks the records against the data and reads the item back through the reader and zlib.
void expect_exact(const Bytes& archive, const Bytes& data, const char* password = nullptr)
{
    const Central c = central_of(archive, 0);
    EXPECT_EQ(c.method, 8);
    EXPECT_EQ(c.crc, crc_of(data));
    EXPECT_EQ(c.uncompressed, data.size());
    if (password == nullptr)
    {
        const std::size_t start = c.local + 30 + le16(archive, c.local + 26) + le16(archive, c.local + 28);
        EXPECT_EQ(le32(archive, c.local + 14), c.crc);
        EXPECT_EQ(le32(archive, c.local + 18), c.compressed);
        const Bytes compressed(archive.begin() + static_cast<long>(start),
                               archive.begin() + static_cast<long>(start + c.compressed));
        Bytes inflated;
        EXPECT_TRUE(raw_inflate(compressed, inflated, data.size()));
        EXPECT_TRUE(inflated == data);
    }
    ZipHandle* zip = open_memory(archive, password);
    ASSERT_NE(zip, nullptr);
    Bytes read;
    EXPECT_EQ(read_item(zip, 0, read, 100000), zip_result::Ok);
    EXPECT_TRUE(read == data);
    unzip_close(zip);
}
} // namespace

TEST(ParallelDeflate, BlockBoundariesJoinIntoOneStream)
{
    zipengine::WorkerPool pool(3);
    const std::size_t B = ParallelBlockSize;
    for (const std::size_t size : {std::size_t{0}, std::size_t{1}, B - 1, B, B + 1, 2 * B, 3 * B + 17})
        for (const Bytes& data : {text_bytes(size), pattern_bytes(size, 7)})
        {
            SCOPED_TRACE(size);
            Bytes inflated;
            EXPECT_TRUE(raw_inflate(parallel_deflate(pool, data), inflated, size));
            EXPECT_TRUE(inflated == data);
        }
}

TEST(ParallelDeflate, OneInFlightBlockAndReuseAcrossItems)
{
    zipengine::WorkerPool pool(2);
    Collect first, second;
    zipengine::ParallelDeflateStream stream(pool, 1);
    const Bytes a = text_bytes(5 * ParallelBlockSize + 3), b = pattern_bytes(ParallelBlockSize + 9);
    stream.begin(first);
    ASSERT_EQ(stream.write(a.data(), a.size()), zip_result::Ok);
    ASSERT_EQ(stream.finish(), zip_result::Ok);
    stream.begin(second);
    ASSERT_EQ(stream.write(b.data(), b.size()), zip_result::Ok);
    ASSERT_EQ(stream.finish(), zip_result::Ok);
    EXPECT_EQ(stream.crc(), crc_of(b));
    Bytes inflated;
    EXPECT_TRUE(raw_inflate(first.bytes, inflated, a.size()) && inflated == a);
    EXPECT_TRUE(raw_inflate(second.bytes, inflated, b.size()) && inflated == b);
}

TEST(ParallelDeflate, FailedOutputStopsTheItemAndWaitsForItsBlocks)
{
    zipengine::WorkerPool pool(2);
    const Bytes data = pattern_bytes(40 * ParallelBlockSize);
    Collect sink;
    sink.limit = 3 * ParallelBlockSize;
    {
        zipengine::ParallelDeflateStream stream(pool, 4);
        stream.begin(sink);
        ZipResult result = zip_result::Ok;
        for (std::size_t at = 0; at < data.size() && result == zip_result::Ok; at += 16384)
            result = stream.write(data.data() + at, 16384);
        if (result == zip_result::Ok)
            result = stream.finish();
        EXPECT_EQ(result, zip_result::WriteFailed);
        EXPECT_EQ(stream.write(data.data(), 1), zip_result::WriteFailed); // stays failed until begin()
    } // the destructor waits for the blocks still on the pool
    EXPECT_LE(sink.bytes.size(), sink.limit);
}

TEST(ParallelDeflate, ThreadSettingComesFromTheEnvironment)
{
    {
        Threads one("1");
        EXPECT_EQ(zipengine::deflate_threads(), 1u);
    }
    {
        Threads many("12");
        EXPECT_EQ(zipengine::deflate_threads(), 12u);
    }
    for (const char* ignored : {"0", "two", "-3"})
    {
        Threads bad(ignored);
        EXPECT_GE(zipengine::deflate_threads(), 1u);
        EXPECT_LE(zipengine::deflate_threads(), 8u);
    }
}

// Several MB of each kind, around the threshold, with and without a password: both thread
// settings give exact records and the same bytes back. Splitting costs under 0.5 %, plus a
// few bytes per block (its header and flush marker) that only show on data that nearly vanishes.
TEST(ParallelDeflate, LargeItemsRoundTripWithExactRecords)
{
    const std::size_t T = ParallelThreshold;
    const std::vector<Bytes> inputs = {text_bytes(6 << 20), pattern_bytes(5 << 20, 3), repetitive_bytes(8 << 20),
                                       text_bytes(T), text_bytes(T + 1)};
    for (const Bytes& data : inputs)
    {
        SCOPED_TRACE(data.size());
        const Bytes serial = archive_of(data, "1");
        const Bytes parallel = archive_of(data, "4");
        expect_exact(serial, data);
        expect_exact(parallel, data);
        const double s = central_of(serial, 0).compressed, p = central_of(parallel, 0).compressed;
        const double blocks = static_cast<double>(data.size() / zipengine::ParallelBlockSize + 1);
        EXPECT_LE(p, s * 1.005 + 20 * blocks);
    }
    expect_exact(archive_of(inputs[0], "4", "pw"), inputs[0], "pw");
}

TEST(ParallelDeflate, FullMemoryArchiveFailsAsTheSerialWriterDoes)
{
    const Bytes data = pattern_bytes(3 << 20);
    for (const char* threads : {"1", "3"})
    {
        SCOPED_TRACE(threads);
        ZipResult added = zip_result::Ok;
        archive_of(data, threads, nullptr, &added, 1 << 20);
        EXPECT_EQ(added, zip_result::MemoryFull);
    }
}

class ParallelDeflateFiles : public TempDir
{
};

TEST_F(ParallelDeflateFiles, LargeFileItemsOfBothWritersReadBackExactly)
{
    const Bytes data = text_bytes(3 * ParallelBlockSize + 5);
    write_file("src.txt", data);
    for (const char* threads : {"1", "2"})
    {
        Threads setting(threads);
        const std::string name = std::string("out") + threads + ".zip";
        ZipHandle* zip = zip_create_file(wpath(name).c_str(), nullptr);
        ASSERT_NE(zip, nullptr);
        ASSERT_EQ(zip_add_file(zip, u"a/src.txt", wpath("src.txt").c_str()), zip_result::Ok);
        ASSERT_EQ(zip_close(zip), zip_result::Ok);
        expect_exact(read_file(name), data);
    }
}
