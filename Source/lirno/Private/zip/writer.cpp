// Writer handles: creating, finishing and closing archives.
#include "writer.h"

#include "handle.h"
#include "platform.h"
#include "utf.h"

namespace zipengine
{
ZipResult OutputGuard::write(const void* data, std::size_t size)
{
    if (output == nullptr)
        return sticky = zip_result::NotInitialised;
    if (origin + written + size > ArchiveLimit)
        return sticky = zip_result::WriteFailed;
    const ZipResult result = output->write(data, size);
    if (result != zip_result::Ok)
    {
        // A short file write may have moved the position; put it back so that later
        // records land where the offsets say.
        if (seekable)
            output->seek(origin + written);
        if (sticky == zip_result::Ok)
            sticky = result;
        return result;
    }
    written += size;
    return zip_result::Ok;
}

Writer::~Writer()
{
    out.output.reset();
    platform::unmap(mapping, mapping_size);
}

ZipResult finish_archive(Writer& writer)
{
    std::string directory;
    for (const CentralRecord& record : writer.central)
    {
        append_central_header(directory, record.header, static_cast<std::uint16_t>(record.extra.size()));
        directory += record.name;
        directory += record.extra;
    }
    const std::uint64_t start = writer.out.written;
    append_end_record(directory, static_cast<std::uint16_t>(writer.central.size()),
                      static_cast<std::uint32_t>(directory.size()),
                      static_cast<std::uint32_t>(writer.out.origin + start));
    writer.central.clear();
    writer.finished = true;
    return writer.out.write(directory.data(), directory.size());
}

namespace
{
Writer* writer_of(ZipHandle* handle)
{
    return static_cast<Writer*>(handle->state);
}

// Every archive starts here, whatever its output: the archive begins at the output's
// current position, and an output that cannot tell it is written forward only.
ZipHandle* start_archive(std::unique_ptr<Writer> writer, std::unique_ptr<Stream> output, const char* password)
{
    if (password != nullptr)
        writer->password = password;
    OutputGuard& out = writer->out;
    const std::int64_t position = output->tell();
    out.seekable = position >= 0;
    out.origin = position >= 0 ? static_cast<std::uint64_t>(position) : 0;
    out.output = std::move(output);
    auto* handle = new ZipHandle{WriterHandle, writer.release()};
    report_writer(zip_result::Ok);
    return handle;
}

ZipHandle* fail_create(ZipResult result)
{
    report_writer(result);
    return nullptr;
}

ZipHandle* create_on_handle(const void* target, const char* password)
{
    const int fd = static_cast<int>(reinterpret_cast<std::intptr_t>(target));
    if (!platform::valid_handle(fd))
        return fail_create(zip_result::BadArguments);
    return start_archive(std::make_unique<Writer>(), std::make_unique<FileStream>(fd, false), password);
}

ZipHandle* create_on_path(const char16_t* path, const char* password)
{
    if (path == nullptr)
        return fail_create(zip_result::BadArguments);
    const int fd = platform::create_truncate(to_utf8(path));
    if (fd == platform::InvalidFile)
        return fail_create(zip_result::OpenFailed);
    return start_archive(std::make_unique<Writer>(), std::make_unique<FileStream>(fd, true), password);
}

// A caller's block, or an anonymous mapping the writer owns when the block is null.
ZipHandle* create_in_memory(const void* target, std::uint32_t length, const char* password)
{
    if (length == 0)
        return fail_create(zip_result::MemoryFull);
    auto writer = std::make_unique<Writer>();
    auto* block = static_cast<std::uint8_t*>(const_cast<void*>(target));
    if (block == nullptr)
    {
        block = static_cast<std::uint8_t*>(platform::map_anonymous(length));
        if (block == nullptr)
            return fail_create(zip_result::AllocFailed);
        writer->mapping = block;
        writer->mapping_size = length;
    }
    writer->memory_block = block;
    return start_archive(std::move(writer), std::make_unique<MemoryStream>(block, length, true), password);
}

const SourceKind* source_kind(std::uint32_t kind)
{
    switch (kind)
    {
    case zip_kind::Handle:
        return &HandleSource;
    case zip_kind::Path:
        return &PathSource;
    case zip_kind::Memory:
        return &MemorySource;
    case zip_kind::Folder:
        return &FolderSource;
    default:
        return nullptr;
    }
}

ZipResult add(ZipHandle* handle, const char16_t* name, const SourceKind* kind, const void* data,
              std::uint32_t length)
{
    if (const ZipResult checked = check_handle(handle, WriterHandle); checked != zip_result::Ok)
        return report_writer(checked);
    return report_writer(add_item(*writer_of(handle), name, kind, data, length));
}
} // namespace
} // namespace zipengine

using namespace zipengine;

ZipHandle* zip_create(const void* target, std::uint32_t length, std::uint32_t kind, const char* password)
{
    static constexpr ArchivePlaces places{create_on_handle, create_on_path, create_in_memory, fail_create};
    return open_by_kind(places, target, length, kind, password);
}

ZipHandle* zip_create_file(const char16_t* path, const char* password)
{
    return create_on_path(path, password);
}

ZipResult zip_add(ZipHandle* handle, const char16_t* name, const void* source, std::uint32_t length,
                  std::uint32_t kind)
{
    return add(handle, name, source_kind(kind), source, length);
}

ZipResult zip_add_file(ZipHandle* handle, const char16_t* name, const char16_t* path)
{
    return add(handle, name, &PathSource, path, 0);
}

ZipResult zip_add_handle(ZipHandle* handle, const char16_t* name, ZipFileHandle source, std::uint32_t length)
{
    return add(handle, name, &HandleSource, reinterpret_cast<const void*>(source), length);
}

ZipResult zip_add_memory(ZipHandle* handle, const char16_t* name, const void* data, std::uint32_t length)
{
    return add(handle, name, &MemorySource, data, length);
}

ZipResult zip_add_folder(ZipHandle* handle, const char16_t* name)
{
    return add(handle, name, &FolderSource, nullptr, 0);
}

ZipResult zip_get_memory(ZipHandle* handle, void** data, std::uint32_t* length)
{
    if (const ZipResult checked = check_handle(handle, WriterHandle); checked != zip_result::Ok)
        return report_writer(checked);
    if (data == nullptr || length == nullptr)
        return report_writer(zip_result::BadArguments);
    Writer& writer = *writer_of(handle);
    ZipResult result = zip_result::Ok;
    if (!writer.finished)
        result = finish_archive(writer);
    if (writer.memory_block == nullptr)
    {
        *data = nullptr;
        *length = 0;
        return report_writer(zip_result::NotMemoryArchive);
    }
    *data = writer.memory_block;
    *length = static_cast<std::uint32_t>(writer.out.written);
    return report_writer(result);
}

ZipResult zip_close(ZipHandle* handle)
{
    if (const ZipResult checked = check_handle(handle, WriterHandle); checked != zip_result::Ok)
        return report_writer(checked);
    Writer* writer = writer_of(handle);
    const ZipResult result = writer->finished ? zip_result::Ok : finish_archive(*writer);
    delete writer;
    delete handle;
    return report_writer(result);
}
