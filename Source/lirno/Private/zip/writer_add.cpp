// Adding one item to an archive. The steps follow the item's records in the archive: the
// local header with name and times, the encryption header, the data, the sizes (the local
// header rewritten in place, or a data descriptor after the data) and the central record.
#include "attributes.h"
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
constexpr std::uint32_t MemoryAttributes = attribute::UnixRegular;
constexpr std::uint32_t FolderAttributes = attribute::UnixDirectory | attribute::UnixOwnerRead |
                                           attribute::UnixOwnerWrite | attribute::UnixOwnerExecute |
                                           attribute::Directory;
} // namespace

// Where an item's bytes come from, and what is known about them before reading.
struct ItemSource
{
    std::unique_ptr<Stream> stream; // null for folders
    std::uint32_t attributes = MemoryAttributes;
    std::int64_t expected_size = -1;
    std::int64_t modified = 0, accessed = 0, created = 0;
    std::uint32_t dos_stamp = 0;
};

namespace
{
void take_clock(ItemSource& source)
{
    const ClockReading now = local_clock_reading();
    source.modified = source.accessed = source.created = now.seconds;
    source.dos_stamp = now.dos_stamp;
}

std::uint32_t attributes_of(const platform::FileInfo& info)
{
    std::uint32_t value = (info.directory ? attribute::UnixDirectory : attribute::UnixRegular) |
                          attribute::UnixOwnerRead;
    if (!info.read_only)
        value |= attribute::UnixOwnerWrite;
    if (info.executable)
        value |= attribute::UnixOwnerExecute;
    value |= info.read_only ? attribute::ReadOnly : 0;
    value |= info.directory ? attribute::Directory : attribute::Archive;
    return value;
}

// A file source: seekable files describe themselves; pipes and the like are read blind.
ZipResult attach_file(ItemSource& source, std::unique_ptr<FileStream> stream, std::uint32_t length)
{
    const std::int64_t position = stream->tell();
    if (position >= 0)
    {
        platform::FileInfo info;
        if (!platform::file_info(stream->fd(), info))
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

ZipResult attach_path(ItemSource& source, const void* data, std::uint32_t)
{
    if (data == nullptr)
        return zip_result::BadArguments;
    const int fd = platform::open_read(to_utf8(static_cast<const char16_t*>(data)));
    if (fd == platform::InvalidFile)
        return zip_result::OpenFailed;
    return attach_file(source, std::make_unique<FileStream>(fd, true), 0);
}

ZipResult attach_handle(ItemSource& source, const void* data, std::uint32_t length)
{
    const int fd = static_cast<int>(reinterpret_cast<std::intptr_t>(data));
    if (!platform::valid_handle(fd))
        return zip_result::BadArguments;
    return attach_file(source, std::make_unique<FileStream>(fd, false), length);
}

ZipResult attach_memory(ItemSource& source, const void* data, std::uint32_t length)
{
    if (data == nullptr || length == 0)
        return zip_result::BadArguments;
    source.stream =
        std::make_unique<MemoryStream>(static_cast<std::uint8_t*>(const_cast<void*>(data)), length, false);
    source.attributes = MemoryAttributes;
    source.expected_size = length;
    take_clock(source);
    return zip_result::Ok;
}

ZipResult attach_folder(ItemSource& source, const void*, std::uint32_t)
{
    source.attributes = FolderAttributes;
    source.expected_size = 0;
    take_clock(source);
    return zip_result::Ok;
}
} // namespace

const SourceKind PathSource{attach_path, false};
const SourceKind HandleSource{attach_handle, false};
const SourceKind MemorySource{attach_memory, false};
const SourceKind FolderSource{attach_folder, true};

namespace
{
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

// One item on its way into the archive.
struct PendingItem
{
    ItemHeader header;
    std::string name; // UTF-8, "/" separators
    ItemSource source;
    bool folder = false;
    bool encrypted = false;
    std::uint32_t cipher_header = 0; // bytes of encryption header counted in the compressed size
    std::uint16_t local_flags = 0;   // the flags the local header went out with
    std::uint32_t local_compressed = 0;
    std::uint64_t data_start = 0;
};

// The stored name: backslashes become "/", folders end in "/", within the name limit.
ZipResult name_item(PendingItem& item, const char16_t* name)
{
    const std::size_t name_length = wide_length(name, NameCapacity);
    if (name_length == 0 || name_length >= NameCapacity)
        return zip_result::BadArguments;
    std::u16string stored(name, name_length);
    for (char16_t& c : stored)
        if (c == u'\\')
            c = u'/';
    item.name = to_utf8(stored);
    if (item.folder && stored.back() != u'/')
        item.name += '/';
    if (item.name.size() >= NameCapacity)
        return zip_result::BadArguments;
    item.header.method = item.folder ? MethodStored : method_for_name(stored);
    return zip_result::Ok;
}

// The local header as far as it is known before the data: sizes only where the source
// told them, and a data descriptor announced until the header can be rewritten.
ZipResult write_local_header(Writer& writer, PendingItem& item)
{
    const ItemSource& source = item.source;
    ItemHeader& header = item.header;
    OutputGuard& out = writer.out;
    header.flags = item.encrypted ? FlagDescriptor | FlagEncrypted : FlagDescriptor;
    header.dos_stamp = source.dos_stamp;
    header.compressed_size = header.method == MethodStored && source.expected_size >= 0
                                 ? static_cast<std::uint32_t>(source.expected_size) + item.cipher_header
                                 : 0;
    header.uncompressed_size =
        source.expected_size >= 0 ? static_cast<std::uint32_t>(source.expected_size) : 0xFFFFFFFF;
    header.name_length = static_cast<std::uint16_t>(item.name.size());
    header.external_attributes = source.attributes;
    header.local_offset = static_cast<std::uint32_t>(out.origin + out.written);
    item.local_flags = header.flags;
    item.local_compressed = header.compressed_size;

    std::string local;
    append_local_header(local, header, item.local_flags);
    local += item.name;
    append_local_times(local, source.modified, source.accessed, source.created);
    return out.write(local.data(), local.size());
}

// Starts the cipher over the output with its 12-byte header; `sink` becomes the cipher.
ZipResult write_encryption_header(Writer& writer, const PendingItem& item, Stream*& sink)
{
    writer.cipher.reset(writer.out, make_keys(writer.password.c_str()));
    std::uint8_t check[EncryptionHeaderSize];
    for (std::size_t i = 0; i + 1 < EncryptionHeaderSize; ++i)
        check[i] = random_byte();
    // Every encrypted item carries a data descriptor, so the check byte comes from the time.
    check[EncryptionHeaderSize - 1] = static_cast<std::uint8_t>(item.header.dos_stamp >> 8);
    sink = &writer.cipher;
    return writer.cipher.write(check, sizeof check);
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

struct DataResult
{
    ZipResult result = zip_result::Ok;
    std::uint32_t crc = 0;
    std::uint64_t bytes_read = 0;
};

// Copies the source into `sink`; the CRC is left to a sink that takes it itself.
DataResult copy_source(Writer& writer, Stream& source, Stream& sink, bool checksum)
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

// The item's data, stored or deflated (in blocks on the pool when large), into `sink`;
// fills in CRC and sizes.
ZipResult write_data(Writer& writer, PendingItem& item, Stream* sink)
{
    OutputGuard& out = writer.out;
    ItemHeader& header = item.header;
    item.data_start = out.written;
    DataResult data;
    if (!item.folder)
    {
        ParallelDeflateStream* parallel = nullptr;
        if (header.method == MethodDeflated)
        {
            parallel = parallel_deflate_for(writer, item.source.expected_size);
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
        data = copy_source(writer, *item.source.stream, *sink, parallel == nullptr);
        if (parallel != nullptr)
            data.crc = parallel->crc();
    }
    item.source.stream.reset();
    if (out.sticky != zip_result::Ok)
        return out.sticky;
    if (data.result != zip_result::Ok)
        return zip_result::WriteFailed;
    header.crc = data.crc; // 0 for a folder
    header.compressed_size = static_cast<std::uint32_t>(out.written - item.data_start) + item.cipher_header;
    header.uncompressed_size = static_cast<std::uint32_t>(data.bytes_read);
    return zip_result::Ok;
}

// Sizes and CRC after the data: the local header rewritten in place where the output can
// seek back and no cipher header depends on the announced descriptor, else a data descriptor.
ZipResult write_sizes(Writer& writer, PendingItem& item)
{
    OutputGuard& out = writer.out;
    ItemHeader& header = item.header;
    if (out.seekable && !item.encrypted)
    {
        header.flags &= static_cast<std::uint16_t>(~FlagDescriptor);
        std::string bytes;
        append_local_header(bytes, header, header.flags);
        const ZipResult result = out.output->write_at(header.local_offset, bytes.data(), bytes.size());
        if (result == zip_result::SeekFailed || result == zip_result::Ok)
            return result;
        return zip_result::WriteFailed;
    }
    // Readers of a stored item cannot find its end without the size the local header gave.
    if (header.method == MethodStored && header.compressed_size != item.local_compressed)
        return zip_result::CannotRevise;
    header.flags = item.local_flags;
    std::string descriptor;
    append_descriptor(descriptor, header);
    return out.write(descriptor.data(), descriptor.size());
}

void add_central_record(Writer& writer, PendingItem& item)
{
    CentralRecord record;
    record.header = item.header;
    record.name = std::move(item.name);
    append_central_times(record.extra, item.source.modified);
    writer.central.push_back(std::move(record));
}
} // namespace

ZipResult add_item(Writer& writer, const char16_t* name, const SourceKind* kind, const void* data,
                   std::uint32_t length)
{
    if (writer.out.sticky != zip_result::Ok)
        return zip_result::EarlierFailure;
    if (writer.finished)
        return zip_result::AlreadyFinished;
    if (name == nullptr || kind == nullptr || writer.central.size() >= ItemLimit)
        return zip_result::BadArguments;

    PendingItem item;
    item.folder = kind->folder;
    if (const ZipResult named = name_item(item, name); named != zip_result::Ok)
        return named;
    if (const ZipResult attached = kind->attach(item.source, data, length); attached != zip_result::Ok)
        return attached;
    item.encrypted = !writer.password.empty() && !item.folder;
    item.cipher_header = item.encrypted ? EncryptionHeaderSize : 0;

    if (const ZipResult written = write_local_header(writer, item); written != zip_result::Ok)
        return written;
    Stream* sink = &writer.out;
    if (item.encrypted)
        if (const ZipResult written = write_encryption_header(writer, item, sink); written != zip_result::Ok)
            return written;
    if (const ZipResult written = write_data(writer, item, sink); written != zip_result::Ok)
        return written;
    if (const ZipResult written = write_sizes(writer, item); written != zip_result::Ok)
        return written;
    add_central_record(writer, item);
    return zip_result::Ok;
}
} // namespace zipengine
