// Finding an archive inside its source: the end record, the central directory and the cursor.
#include "reader.h"

#include <algorithm>

namespace zipengine
{
namespace
{
// The end record sits at most a full comment before the source's end.
constexpr std::uint64_t EndSearchLimit = 0xFFFF + EndRecordSize;

bool read_at(Stream& source, std::uint64_t position, void* data, std::size_t size)
{
    auto* out = static_cast<std::uint8_t*>(data);
    std::size_t got = 0;
    while (got < size)
    {
        const std::int64_t n = source.read_at(position + got, out + got, size - got);
        if (n <= 0)
            return false;
        got += static_cast<std::size_t>(n);
    }
    return true;
}

void read_cursor_header(Reader& reader)
{
    reader.cursor_valid = false;
    const auto& dir = reader.directory;
    const std::size_t at = reader.cursor_position;
    if (at > dir.size() || dir.size() - at < CentralHeaderSize)
        return;
    if (!parse_central_header(dir.data() + at, reader.cursor))
        return;
    if (dir.size() - at - CentralHeaderSize < reader.cursor.name_length)
        return;
    const std::size_t kept = std::min<std::size_t>(reader.cursor.name_length, StoredNameLimit);
    reader.cursor_name.assign(reinterpret_cast<const char*>(dir.data() + at + CentralHeaderSize), kept);
    reader.cursor_valid = true;
}
} // namespace

ZipResult open_archive(Reader& reader)
{
    Stream& source = *reader.source;
    const std::int64_t initial = source.tell();
    const std::int64_t end = source.size();
    if (initial < 0 || end < 0 || end < initial)
        return zip_result::OpenFailed;
    const auto total = static_cast<std::uint64_t>(end - initial);
    const std::uint64_t span = std::min(total, EndSearchLimit);
    if (span < EndRecordSize)
        return zip_result::OpenFailed;

    std::vector<std::uint8_t> tail(static_cast<std::size_t>(span));
    const std::uint64_t tail_start = static_cast<std::uint64_t>(end) - span;
    if (!read_at(source, tail_start, tail.data(), tail.size()))
        return zip_result::OpenFailed;
    // The record nearest the end wins; a candidate too close to the end cannot be one.
    std::size_t found = tail.size();
    for (std::size_t i = tail.size() - EndRecordSize + 1; i-- > 0;)
        if (get32(tail.data() + i) == EndSignature)
        {
            found = i;
            break;
        }
    if (found == tail.size())
        return zip_result::OpenFailed;

    EndRecord record;
    parse_end_record(tail.data() + found, record);
    const std::uint64_t record_position = tail_start + found;
    const std::uint64_t directory_end = std::uint64_t{record.directory_offset} + record.directory_size;
    if (record.disk != 0 || record.directory_disk != 0 || record.disk_items != record.total_items ||
        record_position < directory_end)
        return zip_result::OpenFailed;

    reader.count = record.total_items;
    reader.bytes_before = record_position - directory_end;
    reader.directory.resize(record.directory_size);
    if (!read_at(source, reader.bytes_before + record.directory_offset, reader.directory.data(),
                 reader.directory.size()))
        reader.directory.clear(); // the archive still opens; its items just cannot be reached
    reader.cursor_index = 0;
    reader.cursor_position = 0;
    read_cursor_header(reader);
    return map_extents(reader, record.directory_offset);
}

bool move_to(Reader& reader, std::int32_t index)
{
    if (index < reader.cursor_index)
    {
        reader.cursor_index = 0;
        reader.cursor_position = 0;
        read_cursor_header(reader);
    }
    while (reader.cursor_index < index)
    {
        if (!reader.cursor_valid)
            return false; // without this header the next one cannot be located
        const ItemHeader& h = reader.cursor;
        reader.cursor_position += CentralHeaderSize + h.name_length + h.extra_length + h.comment_length;
        ++reader.cursor_index;
        read_cursor_header(reader);
    }
    return reader.cursor_valid;
}

ZipResult check_local(Reader& reader, const LocalItem*& result)
{
    if (reader.local_index == reader.cursor_index)
    {
        result = &reader.local;
        return zip_result::Ok;
    }
    const ItemHeader& central = reader.cursor;
    const std::uint64_t at = reader.bytes_before + central.local_offset;
    // One read usually brings the header, the name and the extra field together.
    std::uint8_t bytes[1024];
    const std::size_t wanted = std::min(sizeof bytes, LocalHeaderSize + central.name_length + 64);
    std::int64_t got = reader.source->read_at(at, bytes, wanted);
    if (got > 0 && static_cast<std::size_t>(got) < LocalHeaderSize)
        got = read_at(*reader.source, at, bytes, LocalHeaderSize) ? static_cast<std::int64_t>(LocalHeaderSize)
                                                                  : -1;
    ItemHeader header;
    if (got < static_cast<std::int64_t>(LocalHeaderSize) || !parse_local_header(bytes, header))
        return zip_result::CorruptArchive;
    if (header.method != central.method || (header.method != MethodStored && header.method != MethodDeflated))
        return zip_result::CorruptArchive;
    if (!(header.flags & FlagDescriptor) &&
        (header.crc != central.crc || header.compressed_size != central.compressed_size ||
         header.uncompressed_size != central.uncompressed_size))
        return zip_result::CorruptArchive;
    if (header.name_length != central.name_length)
        return zip_result::CorruptArchive;
    reader.local_index = -1;
    LocalItem& local = reader.local;
    const std::size_t extra_start = LocalHeaderSize + header.name_length;
    const std::size_t extra_end = extra_start + header.extra_length;
    if (static_cast<std::size_t>(got) >= extra_end)
        local.extra.assign(bytes + extra_start, bytes + extra_end);
    else
    {
        local.extra.resize(header.extra_length);
        if (!read_at(*reader.source, at + extra_start, local.extra.data(), local.extra.size()))
            return zip_result::ReadFailed;
    }
    local.data_offset = at + extra_end;
    reader.local_index = reader.cursor_index;
    result = &local;
    return zip_result::Ok;
}
} // namespace zipengine
