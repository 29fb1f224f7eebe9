// Adding one item to an archive: name, source, headers, data and the central record.
#include "handle.h"
#include "names.h"
#include "platform.h"
#include "times.h"
#include "utf.h"
#include "worker_pool.h"
#include "writer.h"

#include <random>
#include <zlib.h>

namespace zipengine
{
namespace
{
constexpr std::uint32_t MemoryAttributes = 0x80000000;
constexpr std::uint32_t FolderAttributes = 0x41C00010;

// Where an item's bytes come from, and what is known about them before reading.
struct ItemSource
{
    std::unique_ptr<Stream> stream; // null for folders
    std::uint32_t attributes = MemoryAttributes;
    std::int64_t expected_size = -1;
    std::int64_t modified = 0, accessed = 0, created = 0;
    std::uint32_t dos_stamp = 0;
};

void take_clock(ItemSource& source)
{
    const ClockReading now = local_clock_reading();
    source.modified = source.accessed = source.created = now.seconds;
    source.dos_stamp = now.dos_stamp;
}

std::uint32_t attributes_of(const platform::FileInfo& info)
{
    std::uint32_t value = info.directory ? 0x41000000 : 0x81000000;
    if (!info.read_only)
        value |= 0x00800000;
    if (info.executable)
        value |= 0x00400000;
    value |= info.read_only ? 0x01 : 0;
    value |= info.directory ? 0x10 : 0x20;
    return value;
}

// A handle source: seekable files describe themselves; pipes and the like are read blind.
ZipResult attach_handle(ItemSource& source, std::unique_ptr<Stream> stream, int fd, std::uint32_t length)
{
    const std::int64_t position = stream->tell();
    if (position >= 0)
    {
        platform::FileInfo info;
        if (!platform::file_info(fd, info))
            return zip_result::OpenFailed;
        if (info.size > ArchiveLimit)
            return zip_result::BadArguments;
        source.attributes = attributes_of(info);
        source.expected_size = static_cast<std::int64_t>(info.size);
        source.modified = info.write_time;
        source.accessed = info.access_time;
        source.created = info.creation_time;
        source.dos_stamp = dos_stamp_utc(info.write_time);
        if (position != 0 && !stream->seek(0))
            return zip_result::SeekFailed;
    }
    else
    {
        source.attributes = MemoryAttributes;
        source.expected_size = length != 0 ? length : -1;
        take_clock(source);
    }
    source.stream = std::move(stream);
    return zip_result::Ok;
}

ZipResult attach_source(ItemSource& source, const void* data, std::uint32_t length, std::uint32_t kind)
{
    switch (kind)
    {
    case zip_kind::Path:
    {
        if (data == nullptr)
            return zip_result::BadArguments;
        const int fd = platform::open_read(to_utf8(static_cast<const char16_t*>(data)));
        if (fd == platform::InvalidFile)
            return zip_result::OpenFailed;
        return attach_handle(source, std::make_unique<FileStream>(fd, true), fd, 0);
    }
    case zip_kind::Handle:
    {
        const int fd = static_cast<int>(reinterpret_cast<std::intptr_t>(data));
        if (!platform::valid_handle(fd))
            return zip_result::BadArguments;
        return attach_handle(source, std::make_unique<FileStream>(fd, false), fd, length);
    }
    case zip_kind::Memory:
        if (data == nullptr || length == 0)
            return zip_result::BadArguments;
        source.stream = std::make_unique<MemoryStream>(static_cast<std::uint8_t*>(const_cast<void*>(data)),
                                                       length, false);
        source.attributes = MemoryAttributes;
        source.expected_size = length;
        take_clock(source);
        return zip_result::Ok;
    case zip_kind::Folder:
        source.attributes = FolderAttributes;
        source.expected_size = 0;
        take_clock(source);
        return zip_result::Ok;
    default:
        return zip_result::BadArguments;
    }
}

// Bytes 0-10 of the encryption header only need to be unpredictable; a private generator
// keeps the caller's rand() sequence untouched.
std::uint8_t random_byte()
{
    static std::mt19937 generator = []
    {
        std::random_device device;
        std::seed_seq seed{device(), static_cast<unsigned>(platform::tick_milliseconds()),
                           static_cast<unsigned>(platform::process_id())};
        return std::mt19937(seed);
    }();
    return static_cast<std::uint8_t>(generator() >> 7);
}

struct DataResult
{
    ZipResult result = zip_result::Ok;
    std::uint32_t crc = 0;
    std::uint64_t bytes_read = 0;
};

// Copies or deflates the source into `sink`; the CRC is left to a sink that takes it itself.
DataResult write_data(Writer& writer, Stream& source, Stream& sink, bool checksum)
{
    DataResult data;
    data.crc = static_cast<std::uint32_t>(crc32(0, nullptr, 0));
    std::uint8_t* buffer = writer.buffer.get();
    for (;;)
    {
        const std::int64_t n = source.read(buffer, BlockSize);
        if (n <= 0)
            break; // a failed read ends the item like its end would
        if (data.bytes_read + static_cast<std::uint64_t>(n) > ArchiveLimit)
        {
            data.result = zip_result::WriteFailed;
            return data;
        }
        if (checksum)
            data.crc = static_cast<std::uint32_t>(crc32(data.crc, buffer, static_cast<uInt>(n)));
        data.bytes_read += static_cast<std::uint64_t>(n);
        data.result = sink.write(buffer, static_cast<std::size_t>(n));
        if (data.result != zip_result::Ok)
            return data;
    }
    data.result = sink.finish();
    return data;
}

// The block-parallel compressor for an item large enough to split, when more than one thread
// may work on it; null keeps the item on the calling thread.
ParallelDeflateStream* parallel_deflate_for(Writer& writer, std::int64_t expected_size)
{
    if (expected_size < 0 || static_cast<std::uint64_t>(expected_size) <= ParallelThreshold)
        return nullptr;
    const unsigned threads = deflate_threads();
    if (threads < 2)
        return nullptr;
    if (writer.parallel == nullptr)
    {
        WorkerPool* pool = WorkerPool::shared(threads);
        if (pool == nullptr)
            return nullptr;
        // Two blocks per worker keep every worker busy while the oldest one is written.
        writer.parallel = std::make_unique<ParallelDeflateStream>(*pool, 2 * std::size_t{pool->size()});
    }
    return writer.parallel.get();
}

// Rewrites the local header in place once CRC and sizes are known.
ZipResult rewrite_local_header(Writer& writer, const ItemHeader& header)
{
    std::string bytes;
    append_local_header(bytes, header, header.flags);
    const ZipResult result = writer.out.output->write_at(header.local_offset, bytes.data(), bytes.size());
    if (result == zip_result::SeekFailed || result == zip_result::Ok)
        return result;
    return zip_result::WriteFailed;
}
} // namespace

ZipResult add_item(Writer& writer, const char16_t* name, const void* source_data, std::uint32_t length,
                   std::uint32_t kind)
{
    if (writer.out.sticky != zip_result::Ok)
        return zip_result::EarlierFailure;
    if (writer.finished)
        return zip_result::AlreadyFinished;
    if (name == nullptr || kind < zip_kind::Handle || kind > zip_kind::Folder)
        return zip_result::BadArguments;
    const std::size_t name_length = wide_length(name, NameCapacity);
    if (name_length == 0 || name_length >= NameCapacity)
        return zip_result::BadArguments;
    if (writer.central.size() >= ItemLimit)
        return zip_result::BadArguments;

    std::u16string stored(name, name_length);
    for (char16_t& c : stored)
        if (c == u'\\')
            c = u'/';
    const bool folder = kind == zip_kind::Folder;
    std::string utf8_name = to_utf8(stored);
    if (folder && stored.back() != u'/')
        utf8_name += '/';
    if (utf8_name.size() >= NameCapacity)
        return zip_result::BadArguments;

    ItemSource source;
    if (const ZipResult attached = attach_source(source, source_data, length, kind);
        attached != zip_result::Ok)
        return attached;

    const bool encrypted = !writer.password.empty() && !folder;
    const std::uint32_t header_length = encrypted ? EncryptionHeaderSize : 0;
    OutputGuard& out = writer.out;

    ItemHeader header;
    header.method = folder ? 0 : method_for_name(stored);
    header.flags = encrypted ? FlagDescriptor | FlagEncrypted : FlagDescriptor;
    header.dos_stamp = source.dos_stamp;
    header.compressed_size = header.method == 0 && source.expected_size >= 0
                                 ? static_cast<std::uint32_t>(source.expected_size) + header_length
                                 : 0;
    header.uncompressed_size =
        source.expected_size >= 0 ? static_cast<std::uint32_t>(source.expected_size) : 0xFFFFFFFF;
    header.name_length = static_cast<std::uint16_t>(utf8_name.size());
    header.external_attributes = source.attributes;
    header.local_offset = static_cast<std::uint32_t>(out.origin + out.written);
    const std::uint16_t first_flags = header.flags;
    const std::uint32_t first_compressed = header.compressed_size;

    std::string local;
    append_local_header(local, header, first_flags);
    local += utf8_name;
    append_local_times(local, source.modified, source.accessed, source.created);
    if (const ZipResult written = out.write(local.data(), local.size()); written != zip_result::Ok)
        return written;

    Stream* sink = &out;
    if (encrypted)
    {
        writer.cipher.reset(out, make_keys(writer.password.c_str()));
        std::uint8_t check[EncryptionHeaderSize];
        for (std::size_t i = 0; i + 1 < EncryptionHeaderSize; ++i)
            check[i] = random_byte();
        // Every encrypted item carries a data descriptor, so the check byte comes from the time.
        check[EncryptionHeaderSize - 1] = static_cast<std::uint8_t>(header.dos_stamp >> 8);
        if (const ZipResult written = writer.cipher.write(check, sizeof check); written != zip_result::Ok)
            return written;
        sink = &writer.cipher;
    }

    const std::uint64_t data_start = out.written;
    DataResult data;
    data.crc = 0;
    if (!folder)
    {
        ParallelDeflateStream* parallel = nullptr;
        if (header.method == 8)
        {
            parallel = parallel_deflate_for(writer, source.expected_size);
            if (parallel != nullptr)
            {
                parallel->begin(*sink);
                sink = parallel;
            }
            else
            {
                if (writer.deflate == nullptr)
                    writer.deflate = std::make_unique<DeflateStream>();
                if (!writer.deflate->ready())
                    return zip_result::WriteFailed;
                writer.deflate->begin(*sink);
                sink = writer.deflate.get();
            }
            header.flags |= FlagMaximum; // level 8 counts as maximum compression
        }
        data = write_data(writer, *source.stream, *sink, parallel == nullptr);
        if (parallel != nullptr)
            data.crc = parallel->crc();
    }
    source.stream.reset();
    if (out.sticky != zip_result::Ok)
        return out.sticky;
    if (data.result != zip_result::Ok)
        return zip_result::WriteFailed;

    header.crc = data.crc;
    header.compressed_size = static_cast<std::uint32_t>(out.written - data_start) + header_length;
    header.uncompressed_size = static_cast<std::uint32_t>(data.bytes_read);

    if (out.seekable && !encrypted)
    {
        header.flags &= static_cast<std::uint16_t>(~FlagDescriptor);
        if (const ZipResult rewritten = rewrite_local_header(writer, header); rewritten != zip_result::Ok)
            return rewritten;
    }
    else
    {
        // Readers of a stored item cannot find its end without the size the local header gave.
        if (header.method == 0 && header.compressed_size != first_compressed)
            return zip_result::CannotRevise;
        header.flags = first_flags;
        std::string descriptor;
        append_descriptor(descriptor, header);
        if (const ZipResult written = out.write(descriptor.data(), descriptor.size());
            written != zip_result::Ok)
            return written;
    }

    CentralRecord record;
    record.header = header;
    record.name = std::move(utf8_name);
    append_central_times(record.extra, source.modified);
    writer.central.push_back(std::move(record));
    return zip_result::Ok;
}
} // namespace zipengine
