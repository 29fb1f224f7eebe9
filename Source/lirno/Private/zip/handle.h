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
} // namespace zipengine
