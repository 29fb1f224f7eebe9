#include "records.h"

namespace zipengine
{
namespace
{
template <std::size_t N> void append(std::string& out, const std::uint8_t (&bytes)[N])
{
    out.append(reinterpret_cast<const char*>(bytes), N);
}

// The run of fields a local and a central header share, in the same order: from the version
// needed to the extra field's length. Each header starts it at its own offset.
void put_shared_fields(std::uint8_t* b, const ItemHeader& h, std::uint16_t flags, std::uint16_t extra_length)
{
    put16(b, h.version_needed);
    put16(b + 2, flags);
    put16(b + 4, h.method);
    put32(b + 6, h.dos_stamp); // time then date: the low half comes first
    put32(b + 10, h.crc);
    put32(b + 14, h.compressed_size);
    put32(b + 18, h.uncompressed_size);
    put16(b + 22, h.name_length);
    put16(b + 24, extra_length);
}

void get_shared_fields(const std::uint8_t* p, ItemHeader& h)
{
    h.version_needed = get16(p);
    h.flags = get16(p + 2);
    h.method = get16(p + 4);
    h.dos_stamp = get32(p + 6);
    h.crc = get32(p + 10);
    h.compressed_size = get32(p + 14);
    h.uncompressed_size = get32(p + 18);
    h.name_length = get16(p + 22);
    h.extra_length = get16(p + 24);
}
} // namespace

void append_local_header(std::string& out, const ItemHeader& h, std::uint16_t flags)
{
    std::uint8_t b[LocalHeaderSize];
    put32(b, LocalSignature);
    put_shared_fields(b + 4, h, flags, LocalTimeFieldSize);
    append(out, b);
}

void append_central_header(std::string& out, const ItemHeader& h, std::uint16_t extra_length)
{
    std::uint8_t b[CentralHeaderSize];
    put32(b, CentralSignature);
    put16(b + 4, h.version_made_by);
    put_shared_fields(b + 6, h, h.flags, extra_length);
    put16(b + 32, h.comment_length);
    put16(b + 34, h.disk_start);
    put16(b + 36, h.internal_attributes);
    put32(b + 38, h.external_attributes);
    put32(b + 42, h.local_offset);
    append(out, b);
}

void append_descriptor(std::string& out, const ItemHeader& h)
{
    std::uint8_t b[DescriptorSize];
    put32(b, DescriptorSignature);
    put32(b + 4, h.crc);
    put32(b + 8, h.compressed_size);
    put32(b + 12, h.uncompressed_size);
    append(out, b);
}

void append_end_record(std::string& out, std::uint16_t count, std::uint32_t directory_size,
                       std::uint32_t directory_offset)
{
    std::uint8_t b[EndRecordSize];
    put32(b, EndSignature);
    put16(b + 4, 0);
    put16(b + 6, 0);
    put16(b + 8, count);
    put16(b + 10, count);
    put32(b + 12, directory_size);
    put32(b + 16, directory_offset);
    put16(b + 20, 0);
    append(out, b);
}

void append_local_times(std::string& out, std::int64_t modified, std::int64_t accessed, std::int64_t created)
{
    std::uint8_t b[LocalTimeFieldSize];
    put16(b, 0x5455);
    put16(b + 2, 13);
    b[4] = 7;
    put32(b + 5, static_cast<std::uint32_t>(modified));
    put32(b + 9, static_cast<std::uint32_t>(accessed));
    put32(b + 13, static_cast<std::uint32_t>(created));
    append(out, b);
}

void append_central_times(std::string& out, std::int64_t modified)
{
    std::uint8_t b[CentralTimeFieldSize];
    put16(b, 0x5455);
    put16(b + 2, 5);
    b[4] = 7;
    put32(b + 5, static_cast<std::uint32_t>(modified));
    append(out, b);
}

bool parse_central_header(const std::uint8_t* p, ItemHeader& h)
{
    if (get32(p) != CentralSignature)
        return false;
    h.version_made_by = get16(p + 4);
    get_shared_fields(p + 6, h);
    h.comment_length = get16(p + 32);
    h.disk_start = get16(p + 34);
    h.internal_attributes = get16(p + 36);
    h.external_attributes = get32(p + 38);
    h.local_offset = get32(p + 42);
    return true;
}

bool parse_local_header(const std::uint8_t* p, ItemHeader& h)
{
    if (get32(p) != LocalSignature)
        return false;
    get_shared_fields(p + 4, h);
    return true;
}

void parse_end_record(const std::uint8_t* p, EndRecord& e)
{
    e.disk = get16(p + 4);
    e.directory_disk = get16(p + 6);
    e.disk_items = get16(p + 8);
    e.total_items = get16(p + 10);
    e.directory_size = get32(p + 12);
    e.directory_offset = get32(p + 16);
    e.comment_length = get16(p + 20);
}

ExtraTimes find_extra_times(const std::uint8_t* extra, std::size_t length)
{
    ExtraTimes times;
    if (length <= 4)
        return times;
    std::size_t position = 0;
    while (position + 4 < length)
    {
        const std::size_t data_size = get16(extra + position + 2);
        const std::size_t data_start = position + 4;
        // A block is trusted only up to the smaller of its own size and the field's end.
        const std::size_t data_end = data_start + data_size < length ? data_start + data_size : length;
        if (extra[position] == 'U' && extra[position + 1] == 'T')
        {
            std::size_t at = data_start;
            if (at >= data_end)
                break;
            const std::uint8_t flags = extra[at++];
            auto take = [&](bool wanted, bool& has, std::int32_t& value)
            {
                if (!wanted || at + 4 > data_end)
                    return;
                value = static_cast<std::int32_t>(get32(extra + at));
                has = true;
                at += 4;
            };
            take(flags & 1, times.has_modified, times.modified);
            take(flags & 2, times.has_accessed, times.accessed);
            take(flags & 4, times.has_created, times.created);
            break;
        }
        position = data_start + data_size;
    }
    return times;
}
} // namespace zipengine
