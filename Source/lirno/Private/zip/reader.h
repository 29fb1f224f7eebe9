// The state of one archive open for reading.
#pragma once

#include "item_stream.h"
#include "records.h"
#include "stream.h"

#include <memory>
#include <string>
#include <vector>

namespace zipengine
{
inline constexpr std::size_t StoredNameLimit = 259; // bytes of a stored name that are read

// Where an item's local header puts its extra field and data.
struct LocalItem
{
    std::uint64_t data_offset = 0;
    std::vector<std::uint8_t> extra;
};

struct Reader
{
    std::unique_ptr<Stream> source;
    bool has_password = false;
    std::string password;

    std::uint16_t count = 0;
    std::uint64_t bytes_before = 0; // bytes in the source before the archive's first byte
    std::vector<std::uint8_t> directory;
    // Per item: where its local record and data must end, i.e. where the next item in archive
    // order or the central directory starts (archive-relative, like the local offsets).
    std::vector<std::uint32_t> limits;

    // Cursor over the central directory: item number, its header and its raw name.
    std::int32_t cursor_index = 0;
    std::size_t cursor_position = 0;
    bool cursor_valid = false;
    ItemHeader cursor;
    std::string cursor_name;

    std::int32_t local_index = -1; // item whose local header `local` describes
    LocalItem local;
    std::int32_t current_item = -1; // item whose data stream is open
    std::unique_ptr<ItemStream> item;
    ZipEntry cached{};
    std::int32_t cached_index = -1;
    std::u16string base; // always ends in a separator
    std::unique_ptr<std::uint8_t[]> buffer;

    const char* password_or_null() const { return has_password ? password.c_str() : nullptr; }
    void close_item()
    {
        item.reset();
        current_item = -1;
    }
};

ZipResult open_archive(Reader& reader);
// Moves the cursor; false when a central header on the way cannot be read.
bool move_to(Reader& reader, std::int32_t index);
// Checks the cursor item's local header against its central header (CorruptArchive) and
// reads its extra field (ReadFailed); the result is kept for the cursor item.
ZipResult check_local(Reader& reader, const LocalItem*& local);
// Walks the central directory once and refuses (CorruptArchive) items whose local records or
// data would overlap each other or the central directory, judged by the central sizes; fills
// `limits` for check_extent. Leaves the cursor on the first item.
ZipResult map_extents(Reader& reader, std::uint32_t directory_offset);
// The exact check once the local header is known: CorruptArchive when the cursor item's local
// extra field, data or data descriptor runs past its limit.
ZipResult check_extent(const Reader& reader, const LocalItem& local);
// Describes the cursor item.
ZipResult describe_item(Reader& reader, ZipEntry& entry);
// Extraction, one entry per kind of target.
ZipResult extract_to_memory(Reader& reader, std::int32_t index, void* buffer, std::uint32_t length);
ZipResult extract_to_handle(Reader& reader, std::int32_t index, int fd);
ZipResult extract_to_path(Reader& reader, std::int32_t index, const char16_t* name);
} // namespace zipengine
