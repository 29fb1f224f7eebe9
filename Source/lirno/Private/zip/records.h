// Record layouts of the archive: local and central headers, data descriptor, end record and
// the extended-timestamp fields. All fields little-endian.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zipengine
{
inline constexpr std::uint32_t LocalSignature = 0x04034B50;
inline constexpr std::uint32_t CentralSignature = 0x02014B50;
inline constexpr std::uint32_t DescriptorSignature = 0x08074B50;
inline constexpr std::uint32_t EndSignature = 0x06054B50;

inline constexpr std::size_t LocalHeaderSize = 30;
inline constexpr std::size_t CentralHeaderSize = 46;
inline constexpr std::size_t DescriptorSize = 16;
inline constexpr std::size_t EndRecordSize = 22;
inline constexpr std::size_t LocalTimeFieldSize = 17;
inline constexpr std::size_t CentralTimeFieldSize = 9;
inline constexpr std::size_t EncryptionHeaderSize = 12;

inline constexpr std::uint16_t VersionMadeBy = 0x0B17; // version 2.3, host 11
inline constexpr std::uint16_t VersionNeeded = 20;

// Compression methods: the engine writes and reads these two only.
inline constexpr std::uint16_t MethodStored = 0;
inline constexpr std::uint16_t MethodDeflated = 8;

inline constexpr std::uint16_t FlagEncrypted = 0x1;
inline constexpr std::uint16_t FlagMaximum = 0x2;
inline constexpr std::uint16_t FlagDescriptor = 0x8;

inline std::uint16_t get16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t get32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline void put16(std::uint8_t* p, std::uint32_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void put32(std::uint8_t* p, std::uint32_t v)
{
    put16(p, v);
    put16(p + 2, v >> 16);
}

// The fields both headers of one item share.
struct ItemHeader
{
    std::uint16_t version_made_by = VersionMadeBy;
    std::uint16_t version_needed = VersionNeeded;
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::uint32_t dos_stamp = 0;
    std::uint32_t crc = 0;
    std::uint32_t compressed_size = 0;
    std::uint32_t uncompressed_size = 0;
    std::uint16_t name_length = 0;
    std::uint16_t extra_length = 0; // local extra length when read from a local header
    std::uint16_t comment_length = 0;
    std::uint16_t disk_start = 0;
    std::uint16_t internal_attributes = 0;
    std::uint32_t external_attributes = 0;
    std::uint32_t local_offset = 0;
};

// Encoders append the fixed part of a record to `out`.
void append_local_header(std::string& out, const ItemHeader& header, std::uint16_t flags);
void append_central_header(std::string& out, const ItemHeader& header, std::uint16_t extra_length);
void append_descriptor(std::string& out, const ItemHeader& header);
void append_end_record(std::string& out, std::uint16_t count, std::uint32_t directory_size,
                       std::uint32_t directory_offset);
// Extended-timestamp fields: the local form carries all three times, the central form only
// the modification time.
void append_local_times(std::string& out, std::int64_t modified, std::int64_t accessed, std::int64_t created);
void append_central_times(std::string& out, std::int64_t modified);

// Decoders take a block of at least the record's fixed size; false when the signature is wrong.
bool parse_central_header(const std::uint8_t* p, ItemHeader& header);
bool parse_local_header(const std::uint8_t* p, ItemHeader& header);

struct EndRecord
{
    std::uint16_t disk = 0;
    std::uint16_t directory_disk = 0;
    std::uint16_t disk_items = 0;
    std::uint16_t total_items = 0;
    std::uint32_t directory_size = 0;
    std::uint32_t directory_offset = 0;
    std::uint16_t comment_length = 0;
};
void parse_end_record(const std::uint8_t* p, EndRecord& end);

// Times found in the extended-timestamp block of an extra field; each is set only when the
// block carries it whole.
struct ExtraTimes
{
    bool has_modified = false, has_accessed = false, has_created = false;
    std::int32_t modified = 0, accessed = 0, created = 0;
};
ExtraTimes find_extra_times(const std::uint8_t* extra, std::size_t length);
} // namespace zipengine
