// Reader handles: opening, describing and finding items, closing.
#include "reader.h"

#include "attributes.h"
#include "handle.h"
#include "names.h"
#include "platform.h"
#include "times.h"
#include "utf.h"

#include <cstring>

namespace zipengine
{
namespace
{
Reader* reader_of(ZipHandle* handle)
{
    return static_cast<Reader*>(handle->state);
}

// Made-by hosts 0, 7, 11 and 14 keep DOS bits in the external attributes.
constexpr std::uint32_t DosAttributeHosts = (1u << 0) | (1u << 7) | (1u << 11) | (1u << 14);

bool windows_host(std::uint16_t version_made_by)
{
    const unsigned host = version_made_by >> 8;
    return host < 15 && ((DosAttributeHosts >> host) & 1u);
}

std::uint32_t attributes_of(const ItemHeader& h)
{
    const std::uint32_t external = h.external_attributes;
    if (windows_host(h.version_made_by))
        return external & attribute::DosBits;
    std::uint32_t attributes = attribute::Archive;
    if (external & attribute::UnixDirectory)
        attributes |= attribute::Directory;
    if (!(external & attribute::UnixOwnerWrite))
        attributes |= attribute::ReadOnly;
    return attributes;
}

void copy_name(ZipEntry& entry, std::u16string_view name)
{
    const std::size_t n = name.size() < NameCapacity - 1 ? name.size() : NameCapacity - 1;
    std::memcpy(entry.name, name.data(), n * sizeof(char16_t));
    entry.name[n] = u'\0';
}

ZipHandle* fail_open(ZipResult result)
{
    report_reader(result);
    return nullptr;
}

// Every archive is opened here, whatever its source.
ZipHandle* open_archive_on(std::unique_ptr<Stream> source, const char* password)
{
    auto reader = std::make_unique<Reader>();
    if (password != nullptr)
    {
        reader->has_password = true;
        reader->password = password;
    }
    std::u16string base = to_utf16(platform::current_directory());
    if (base.empty() || !is_separator(base.back()))
        base += u'/';
    reader->base = std::move(base);
    reader->source = std::move(source);
    if (const ZipResult opened = open_archive(*reader); opened != zip_result::Ok)
        return fail_open(opened);
    report_reader(zip_result::Ok);
    return new ZipHandle{ReaderHandle, reader.release()};
}

// Items are read at their own positions, so a handle must be able to seek.
ZipHandle* open_handle(const void* source, const char* password)
{
    const int fd = static_cast<int>(reinterpret_cast<std::intptr_t>(source));
    if (!platform::valid_handle(fd) || platform::tell(fd) < 0)
        return fail_open(zip_result::SeekFailed);
    return open_archive_on(std::make_unique<FileStream>(fd, false), password);
}

ZipHandle* open_path(const char16_t* path, const char* password)
{
    if (path == nullptr)
        return fail_open(zip_result::BadArguments);
    const int fd = platform::open_read(to_utf8(path));
    if (fd == platform::InvalidFile)
        return fail_open(zip_result::OpenFailed);
    return open_archive_on(std::make_unique<FileStream>(fd, true), password);
}

ZipHandle* open_memory(const void* source, std::uint32_t length, const char* password)
{
    if (source == nullptr)
        return fail_open(zip_result::BadArguments);
    return open_archive_on(
        std::make_unique<MemoryStream>(static_cast<std::uint8_t*>(const_cast<void*>(source)), length, false),
        password);
}
} // namespace

ZipResult describe_item(Reader& reader, ZipEntry& entry)
{
    entry = ZipEntry{};
    const LocalItem* local = nullptr;
    if (const ZipResult checked = check_local(reader, local); checked != zip_result::Ok)
        return checked;
    if (const ZipResult fits = check_extent(reader, *local); fits != zip_result::Ok)
        return fits;
    const ItemHeader& h = reader.cursor;
    entry.index = reader.cursor_index;
    // A stored name ends at its first zero byte, as a terminated string would.
    const std::string_view raw(reader.cursor_name.c_str());
    std::u16string wide = to_utf16(raw);
    if (wide.size() > NameCapacity - 1)
        wide.resize(NameCapacity - 1);
    copy_name(entry, clean_name(wide));
    entry.attributes = attributes_of(h);
    const ZipFileTime stamp = filetime_from_dos_local(h.dos_stamp);
    entry.access_time = entry.creation_time = entry.write_time = stamp;
    const ExtraTimes times = find_extra_times(local->extra.data(), local->extra.size());
    if (times.has_modified)
        entry.write_time = filetime_from_unix(times.modified);
    if (times.has_accessed)
        entry.access_time = filetime_from_unix(times.accessed);
    if (times.has_created)
        entry.creation_time = filetime_from_unix(times.created);
    entry.compressed_size = h.compressed_size;
    entry.uncompressed_size = h.uncompressed_size;
    return zip_result::Ok;
}
} // namespace zipengine

using namespace zipengine;

ZipHandle* unzip_open(const void* source, std::uint32_t length, std::uint32_t kind, const char* password)
{
    static constexpr ArchivePlaces places{open_handle, open_path, open_memory, fail_open};
    return open_by_kind(places, source, length, kind, password);
}

ZipHandle* unzip_open_file(const char16_t* path, const char* password)
{
    return open_path(path, password);
}

ZipResult unzip_set_base_dir(ZipHandle* handle, const char16_t* folder)
{
    if (const ZipResult checked = check_handle(handle, ReaderHandle); checked != zip_result::Ok)
        return report_reader(checked);
    if (folder == nullptr)
        return report_reader(zip_result::BadArguments);
    const std::size_t length = wide_length(folder, NameCapacity);
    if (length == 0 || length >= NameCapacity)
        return report_reader(zip_result::BadArguments);
    std::u16string base(folder, length);
    if (!is_separator(base.back()))
        base += u'/';
    if (base.size() >= NameCapacity)
        return report_reader(zip_result::BadArguments);
    reader_of(handle)->base = std::move(base);
    return report_reader(zip_result::Ok);
}

ZipResult unzip_get_item(ZipHandle* handle, std::int32_t index, ZipEntry* entry)
{
    if (const ZipResult checked = check_handle(handle, ReaderHandle); checked != zip_result::Ok)
        return report_reader(checked);
    Reader& reader = *reader_of(handle);
    if (entry == nullptr || index < -1 || index >= reader.count)
        return report_reader(zip_result::BadArguments);
    reader.close_item();
    if (index == -1)
    {
        *entry = ZipEntry{};
        entry->index = reader.count;
        return report_reader(zip_result::Ok);
    }
    if (index == reader.cached_index)
    {
        *entry = reader.cached;
        return report_reader(zip_result::Ok);
    }
    if (!move_to(reader, index))
        return report_reader(zip_result::CorruptArchive);
    const ZipResult described = describe_item(reader, *entry);
    if (described == zip_result::Ok)
    {
        reader.cached = *entry;
        reader.cached_index = index;
    }
    return report_reader(described);
}

ZipResult unzip_find_item(ZipHandle* handle, const char16_t* name, bool ignore_case, std::int32_t* index,
                          ZipEntry* entry)
{
    if (const ZipResult checked = check_handle(handle, ReaderHandle); checked != zip_result::Ok)
        return report_reader(checked);
    Reader& reader = *reader_of(handle);
    reader.close_item();
    auto not_found = [&]
    {
        if (index != nullptr)
            *index = -1;
        if (entry != nullptr)
        {
            *entry = ZipEntry{};
            entry->index = -1;
        }
        return report_reader(zip_result::ItemNotFound);
    };
    if (name == nullptr)
        return not_found();
    const std::size_t length = wide_length(name, NameCapacity);
    if (length >= NameCapacity)
        return not_found();
    const std::string wanted = to_utf8(std::u16string_view(name, length));
    if (wanted.size() >= 256)
        return not_found();
    auto fold = [ignore_case](char c) { return ignore_case ? fold_ascii(c) : c; };
    const std::int32_t previous = reader.cursor_index;
    for (std::int32_t i = 0; i < reader.count; ++i)
    {
        if (!move_to(reader, i))
            break;
        const std::string& stored = reader.cursor_name;
        if (reader.cursor.name_length != wanted.size())
            continue;
        bool same = true;
        for (std::size_t k = 0; k < wanted.size() && same; ++k)
            same = fold(stored[k]) == fold(wanted[k]);
        if (!same)
            continue;
        if (index != nullptr)
            *index = i;
        if (entry == nullptr)
            return report_reader(zip_result::Ok);
        const ZipResult described = describe_item(reader, *entry);
        if (described == zip_result::Ok)
        {
            reader.cached = *entry;
            reader.cached_index = i;
        }
        return report_reader(described);
    }
    move_to(reader, previous);
    return not_found();
}

ZipResult unzip_item(ZipHandle* handle, std::int32_t index, void* target, std::uint32_t length,
                     std::uint32_t kind)
{
    switch (kind)
    {
    case zip_kind::Handle:
        return unzip_item_to_handle(handle, index, reinterpret_cast<std::intptr_t>(target));
    case zip_kind::Path:
        return unzip_item_to_file(handle, index, static_cast<const char16_t*>(target));
    case zip_kind::Memory:
        return unzip_item_to_memory(handle, index, target, length);
    default:
        if (const ZipResult checked = check_handle(handle, ReaderHandle); checked != zip_result::Ok)
            return report_reader(checked);
        return report_reader(zip_result::BadArguments);
    }
}

ZipResult unzip_item_to_file(ZipHandle* handle, std::int32_t index, const char16_t* name)
{
    if (const ZipResult checked = check_handle(handle, ReaderHandle); checked != zip_result::Ok)
        return report_reader(checked);
    return report_reader(extract_to_path(*reader_of(handle), index, name));
}

ZipResult unzip_item_to_handle(ZipHandle* handle, std::int32_t index, ZipFileHandle target)
{
    if (const ZipResult checked = check_handle(handle, ReaderHandle); checked != zip_result::Ok)
        return report_reader(checked);
    return report_reader(extract_to_handle(*reader_of(handle), index, static_cast<int>(target)));
}

ZipResult unzip_item_to_memory(ZipHandle* handle, std::int32_t index, void* buffer, std::uint32_t length)
{
    if (const ZipResult checked = check_handle(handle, ReaderHandle); checked != zip_result::Ok)
        return report_reader(checked);
    return report_reader(extract_to_memory(*reader_of(handle), index, buffer, length));
}

ZipResult unzip_close(ZipHandle* handle)
{
    if (const ZipResult checked = check_handle(handle, ReaderHandle); checked != zip_result::Ok)
        return report_reader(checked);
    delete reader_of(handle);
    delete handle;
    return report_reader(zip_result::Ok);
}
