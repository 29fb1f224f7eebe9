// The handle shared by both sides and the per-side last-result slots.
#pragma once

#include "zip.h"

struct ZipHandle
{
    std::uint32_t kind; // 1 reader, 2 writer
    void* state;
};

namespace zipengine
{
inline constexpr std::uint32_t ReaderHandle = 1;
inline constexpr std::uint32_t WriterHandle = 2;

ZipResult& writer_slot();
ZipResult& reader_slot();

// Every public operation leaves through one of these so the slot always holds its result.
inline ZipResult report_writer(ZipResult result)
{
    writer_slot() = result;
    return result;
}
inline ZipResult report_reader(ZipResult result)
{
    reader_slot() = result;
    return result;
}

// Validates a handle for a side; Ok, BadArguments or WrongHandleKind.
inline ZipResult check_handle(const ZipHandle* handle, std::uint32_t kind)
{
    if (handle == nullptr || handle->state == nullptr)
        return zip_result::BadArguments;
    return handle->kind == kind ? zip_result::Ok : zip_result::WrongHandleKind;
}

// Where a side opens (reader) or creates (writer) an archive, one function per kind of place,
// and how it refuses a kind it does not know.
struct ArchivePlaces
{
    ZipHandle* (*on_handle)(const void* handle, const char* password);
    ZipHandle* (*on_path)(const char16_t* path, const char* password);
    ZipHandle* (*in_memory)(const void* block, std::uint32_t length, const char* password);
    ZipHandle* (*fail)(ZipResult result);
};

inline ZipHandle* open_by_kind(const ArchivePlaces& places, const void* where, std::uint32_t length,
                               std::uint32_t kind, const char* password)
{
    switch (kind)
    {
    case zip_kind::Handle:
        return places.on_handle(where, password);
    case zip_kind::Path:
        return places.on_path(static_cast<const char16_t*>(where), password);
    case zip_kind::Memory:
        return places.in_memory(where, length, password);
    default:
        return places.fail(zip_result::BadArguments);
    }
}
} // namespace zipengine
