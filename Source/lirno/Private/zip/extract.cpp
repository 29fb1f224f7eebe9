// Extracting an item to memory, to a caller's handle or to a file below the base folder.
#include "attributes.h"
#include "names.h"
#include "platform.h"
#include "reader.h"
#include "times.h"
#include "utf.h"

#include <string>

namespace zipengine
{
namespace
{
// Item-derived path text uses either separator; on disk both mean a folder boundary.
std::string disk_path(std::u16string_view text)
{
    std::string path = to_utf8(text);
    for (char& c : path)
        if (c == '\\')
            c = '/';
    return path;
}

// Creates root (one level) and every folder of `folder` below it; failures surface when the
// file itself is created.
void ensure_directory(const std::u16string& root, std::u16string_view folder)
{
    if (!root.empty() && platform::path_kind(disk_path(root)) == platform::PathKind::Missing)
        platform::make_directory(disk_path(root));
    for (std::size_t i = 0; i < folder.size(); ++i)
        if (is_separator(folder[i]) && i > 0)
            platform::make_directory(disk_path(root + std::u16string(folder.substr(0, i))));
    if (!folder.empty() && !is_separator(folder.back()))
        platform::make_directory(disk_path(root + std::u16string(folder)));
}

ZipResult open_item(Reader& reader, ItemStream& stream)
{
    const LocalItem* local = nullptr;
    if (check_local(reader, local) != zip_result::Ok)
        return zip_result::FlateFailed;
    if (const ZipResult fits = check_extent(reader, *local); fits != zip_result::Ok)
        return fits;
    return stream.open(*reader.source, local->data_offset, reader.cursor, reader.password_or_null());
}

void apply_times(int fd, const ZipEntry& entry)
{
    std::int32_t access_ns = 0;
    std::int32_t write_ns = 0;
    const std::int64_t access = unix_from_filetime(entry.access_time, &access_ns);
    const std::int64_t write = unix_from_filetime(entry.write_time, &write_ns);
    platform::set_file_times(fd, access, access_ns, write, write_ns);
}

// Streams the item into a sink. Nothing is written after a failure is seen.
ZipResult copy_item(Reader& reader, Stream& sink)
{
    ItemStream stream;
    if (const ZipResult opened = open_item(reader, stream); opened != zip_result::Ok)
        return opened;
    if (!reader.buffer)
        reader.buffer = std::make_unique<std::uint8_t[]>(BlockSize);
    for (;;)
    {
        const ItemStream::Piece piece = stream.read(reader.buffer.get(), BlockSize);
        if (piece.result != zip_result::Ok)
            return piece.result;
        if (piece.size > 0 && sink.write(reader.buffer.get(), piece.size) != zip_result::Ok)
            return zip_result::WriteFailed;
        if (piece.end)
            return zip_result::Ok;
    }
}

} // namespace

// Pieces go straight into the caller's buffer; the open item carries over between calls.
ZipResult extract_to_memory(Reader& reader, std::int32_t index, void* buffer, std::uint32_t length)
{
    if (buffer == nullptr || length == 0)
        return zip_result::BadArguments;
    if (reader.current_item != index || reader.item == nullptr)
    {
        reader.close_item();
        if (index < 0 || index >= reader.count)
            return zip_result::BadArguments;
        if (!move_to(reader, index))
            return zip_result::CorruptArchive;
        auto stream = std::make_unique<ItemStream>();
        if (const ZipResult opened = open_item(reader, *stream); opened != zip_result::Ok)
            return opened;
        reader.item = std::move(stream);
        reader.current_item = index;
    }
    const ItemStream::Piece piece = reader.item->read(buffer, length);
    if (piece.result != zip_result::Ok || piece.end)
    {
        reader.close_item();
        return piece.result;
    }
    return zip_result::MoreToUnzip;
}

namespace
{
// A temporary file beside the target, so a failed extraction never replaces a good file.
int create_temporary(const std::string& folder, std::string& path)
{
    static std::uint32_t counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt)
    {
        path = folder + ".zipx-" + std::to_string(platform::process_id()) + "-" + std::to_string(++counter) +
               ".tmp";
        const int fd = platform::create_exclusive(path);
        if (fd != platform::InvalidFile)
            return fd;
        if (platform::path_kind(path) == platform::PathKind::Missing)
            return platform::InvalidFile; // not a name clash: the folder is unusable
    }
    return platform::InvalidFile;
}

ZipResult to_file(Reader& reader, const ZipEntry& entry, const char16_t* target)
{
    if (target == nullptr)
        return zip_result::BadArguments;
    const std::size_t length = wide_length(target, NameCapacity);
    if (length == 0 || length >= NameCapacity)
        return zip_result::BadArguments;
    const std::u16string_view name(target, length);
    const bool absolute = is_absolute(name);
    // Names from an archive may still climb after cleaning; nothing leaves the base folder.
    if (!absolute && climbs_out(name))
        return zip_result::BadArguments;
    const std::u16string root = absolute ? std::u16string() : reader.base;
    if (root.size() + name.size() >= NameCapacity)
        return zip_result::BadArguments;

    std::size_t split = name.size();
    while (split > 0 && !is_separator(name[split - 1]))
        --split;
    const std::u16string_view folder = name.substr(0, split);
    const std::u16string_view file = name.substr(split);

    if ((entry.attributes & attribute::Directory) || file.empty())
    {
        ensure_directory(root, name);
        return zip_result::Ok;
    }
    const std::string folder_path = disk_path(root + std::u16string(folder));
    const std::string output = folder_path + disk_path(file);
    // Folders usually exist already (items come grouped by folder), so they are made only
    // when the first attempt to create the temporary file fails.
    std::string temporary;
    int fd = create_temporary(folder_path, temporary);
    if (fd == platform::InvalidFile)
    {
        ensure_directory(root, folder);
        fd = create_temporary(folder_path, temporary);
    }
    if (fd == platform::InvalidFile)
        return zip_result::OpenFailed;
    const platform::PathKind existing = platform::path_kind(output);
    if (existing == platform::PathKind::ReadOnlyFile || existing == platform::PathKind::Directory)
    {
        platform::close_file(fd);
        platform::remove_file(temporary);
        return zip_result::OpenFailed;
    }
    ZipResult result = zip_result::Ok;
    {
        FileStream sink(fd, true); // closed before the rename
        result = copy_item(reader, sink);
        if (result == zip_result::Ok)
        {
            apply_times(fd, entry);
            if (entry.attributes & attribute::ReadOnly)
                platform::make_read_only(fd);
        }
    }
    if (result == zip_result::Ok && !platform::rename_over(temporary, output))
        result = zip_result::OpenFailed;
    if (result != zip_result::Ok)
        platform::remove_file(temporary);
    return result;
}

ZipResult to_handle(Reader& reader, const ZipEntry& entry, int fd)
{
    if (entry.attributes & attribute::Directory)
        return zip_result::Ok;
    if (!platform::valid_handle(fd))
        return zip_result::BadArguments;
    FileStream sink(fd, false);
    const ZipResult result = copy_item(reader, sink);
    if (result == zip_result::Ok)
        apply_times(fd, entry);
    return result;
}

// Moves to the item and describes it for a file or handle target.
ZipResult find_entry(Reader& reader, std::int32_t index, ZipEntry& entry)
{
    reader.close_item();
    if (index < 0 || index >= reader.count)
        return zip_result::BadArguments;
    if (!move_to(reader, index))
        return zip_result::CorruptArchive;
    entry = ZipEntry{};
    if (reader.cached_index == index)
        entry = reader.cached;
    else
        describe_item(reader, entry); // a bad local header shows up again when the data is opened
    return zip_result::Ok;
}
} // namespace

ZipResult extract_to_handle(Reader& reader, std::int32_t index, int fd)
{
    ZipEntry entry;
    if (const ZipResult found = find_entry(reader, index, entry); found != zip_result::Ok)
        return found;
    return to_handle(reader, entry, fd);
}

ZipResult extract_to_path(Reader& reader, std::int32_t index, const char16_t* name)
{
    ZipEntry entry;
    if (const ZipResult found = find_entry(reader, index, entry); found != zip_result::Ok)
        return found;
    return to_file(reader, entry, name);
}
} // namespace zipengine
