// Item extents: no two items may share bytes, and none may run into the central directory.
// Archives whose items overlap inflate one stored block many times over (the classic bomb),
// so they are refused before any item is read.
#include "reader.h"

#include <algorithm>

namespace zipengine
{
namespace
{
// A data descriptor is at least CRC and two sizes; its signature is optional.
constexpr std::uint64_t ShortDescriptorSize = DescriptorSize - 4;

std::uint64_t descriptor_size(const ItemHeader& h)
{
    return (h.flags & FlagDescriptor) ? ShortDescriptorSize : 0;
}
} // namespace

ZipResult map_extents(Reader& reader, std::uint32_t directory_offset)
{
    struct Extent
    {
        std::uint64_t start;
        std::uint64_t end; // lower bound: the local extra field may make it longer
        std::int32_t index;
    };
    std::vector<Extent> extents;
    extents.reserve(reader.count);
    reader.limits.assign(reader.count, 0);
    // Items past an unreadable central header cannot be reached, so they need no extent.
    for (std::int32_t i = 0; i < reader.count && move_to(reader, i); ++i)
    {
        const ItemHeader& h = reader.cursor;
        const std::uint64_t start = h.local_offset;
        extents.push_back(
            {start, start + LocalHeaderSize + h.name_length + h.compressed_size + descriptor_size(h), i});
    }
    move_to(reader, 0);
    std::sort(extents.begin(), extents.end(),
              [](const Extent& a, const Extent& b) { return a.start < b.start; });
    for (std::size_t k = 0; k < extents.size(); ++k)
    {
        const std::uint64_t limit = k + 1 < extents.size() ? extents[k + 1].start : directory_offset;
        if (extents[k].end > limit)
            return zip_result::CorruptArchive;
        reader.limits[static_cast<std::size_t>(extents[k].index)] = static_cast<std::uint32_t>(limit);
    }
    return zip_result::Ok;
}

ZipResult check_extent(const Reader& reader, const LocalItem& local)
{
    const ItemHeader& h = reader.cursor;
    const std::uint64_t end = local.data_offset + h.compressed_size + descriptor_size(h);
    const std::uint64_t limit =
        reader.bytes_before + reader.limits[static_cast<std::size_t>(reader.cursor_index)];
    return end <= limit ? zip_result::Ok : zip_result::CorruptArchive;
}
} // namespace zipengine
