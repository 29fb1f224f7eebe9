// The zip archive engine: plain functions over an opaque handle. Writes and reads zip
// archives in the APPNOTE layout (no Zip64), stored or deflated items, optional traditional
// PKWARE encryption. Wide text is UTF-16 so the 260-unit limits mean the same everywhere.
// Not thread-safe: the last-result slots are process-wide, so one thread at a time.
#pragma once

#include <cstdint>

using ZipResult = std::uint32_t;

namespace zip_result
{
inline constexpr ZipResult Ok = 0;
inline constexpr ZipResult Recent = 1;
inline constexpr ZipResult NoDuplicate = 0x100;
inline constexpr ZipResult OpenFailed = 0x200;
inline constexpr ZipResult AllocFailed = 0x300;
inline constexpr ZipResult WriteFailed = 0x400;
inline constexpr ZipResult ItemNotFound = 0x500;
inline constexpr ZipResult MoreToUnzip = 0x600;
inline constexpr ZipResult CorruptArchive = 0x700;
inline constexpr ZipResult ReadFailed = 0x800;
inline constexpr ZipResult WrongPassword = 0x1000;
inline constexpr ZipResult BadArguments = 0x10000;
inline constexpr ZipResult NotMemoryArchive = 0x20000;
inline constexpr ZipResult MemoryFull = 0x30000;
inline constexpr ZipResult EarlierFailure = 0x40000;
inline constexpr ZipResult AlreadyFinished = 0x50000;
inline constexpr ZipResult SizeChanged = 0x60000;
inline constexpr ZipResult PartlyUnzipped = 0x70000;
inline constexpr ZipResult WrongHandleKind = 0x80000;
inline constexpr ZipResult NotInitialised = 0x1000000;
inline constexpr ZipResult SeekFailed = 0x2000000;
inline constexpr ZipResult CannotRevise = 0x4000000;
inline constexpr ZipResult FlateFailed = 0x5000000;
} // namespace zip_result

// Source and target kinds of zip_create / zip_add / unzip_open / unzip_item.
namespace zip_kind
{
inline constexpr std::uint32_t Handle = 1; // an open file descriptor (POSIX) passed as intptr_t
inline constexpr std::uint32_t Path = 2;   // a wide (UTF-16) path
inline constexpr std::uint32_t Memory = 3; // a memory block
inline constexpr std::uint32_t Folder = 4; // zip_add only
} // namespace zip_kind

struct ZipHandle; // opaque; kind 1 reader, kind 2 writer

// 100-nanosecond intervals since 1601-01-01 UTC, as in the archive's Windows heritage.
using ZipFileTime = std::uint64_t;

struct ZipEntry
{
    std::int32_t index;
    char16_t name[260];
    std::uint32_t attributes; // read-only 0x01, hidden 0x02, system 0x04, directory 0x10, archive 0x20
    ZipFileTime access_time;
    ZipFileTime creation_time;
    ZipFileTime write_time;
    std::uint32_t compressed_size;
    std::uint32_t uncompressed_size;
};

// A file handle on this platform: a POSIX descriptor.
using ZipFileHandle = std::intptr_t;

// ---- shared -------------------------------------------------------------------------------
bool zip_is_reader(const ZipHandle* handle);
bool zip_is_writer(const ZipHandle* handle);
// Length of the message in characters; copies at most size - 1 characters plus a terminator.
// Code zip_result::Recent formats the side's last result.
std::uint32_t zip_format_result(ZipResult code, char* buffer, std::uint32_t size);
std::uint32_t unzip_format_result(ZipResult code, char16_t* buffer, std::uint32_t size);
// The side's last result as a code: the only report of why a create or open returned null.
ZipResult zip_last_result();
ZipResult unzip_last_result();

// ---- writer -------------------------------------------------------------------------------
// target: ZipFileHandle (kind 1, cast through intptr_t), const char16_t* path (kind 2) or a
// memory block (kind 3, may be null for an anonymous mapping of `length` bytes).
ZipHandle* zip_create(const void* target, std::uint32_t length, std::uint32_t kind, const char* password);
ZipHandle* zip_create_file(const char16_t* path, const char* password);
ZipResult zip_add(ZipHandle* handle, const char16_t* name, const void* source, std::uint32_t length,
                  std::uint32_t kind);
ZipResult zip_add_file(ZipHandle* handle, const char16_t* name, const char16_t* path);
ZipResult zip_add_handle(ZipHandle* handle, const char16_t* name, ZipFileHandle source,
                         std::uint32_t length = 0);
ZipResult zip_add_memory(ZipHandle* handle, const char16_t* name, const void* data, std::uint32_t length);
ZipResult zip_add_folder(ZipHandle* handle, const char16_t* name);
ZipResult zip_get_memory(ZipHandle* handle, void** data, std::uint32_t* length);
ZipResult zip_close(ZipHandle* handle);

// ---- reader -------------------------------------------------------------------------------
// An archive whose items overlap one another or the central directory (as told by the central
// sizes) does not open: null, with CorruptArchive as the last result. An overlap that only the
// local header's extra field reveals gives CorruptArchive when that item is described or read.
ZipHandle* unzip_open(const void* source, std::uint32_t length, std::uint32_t kind, const char* password);
ZipHandle* unzip_open_file(const char16_t* path, const char* password);
ZipResult unzip_set_base_dir(ZipHandle* handle, const char16_t* folder);
ZipResult unzip_get_item(ZipHandle* handle, std::int32_t index, ZipEntry* entry);
ZipResult unzip_find_item(ZipHandle* handle, const char16_t* name, bool ignore_case, std::int32_t* index,
                          ZipEntry* entry);
// Extraction to a file (kind 2) never leaves the base folder: a relative name that climbs out
// of it is refused with BadArguments (an absolute name is the caller's explicit choice).
// A backslash and "/" both separate folders. The item is written to a temporary file beside the
// target and renamed over it only when it extracted whole, so a failure (WrongPassword,
// FlateFailed, WriteFailed, CorruptArchive for a CRC-32 mismatch) leaves any file that stood
// there untouched. A read-only target gives OpenFailed. Names and paths of 260 UTF-16 units
// or more give BadArguments. To memory (kind 3), a CRC-32 mismatch is reported on the last piece.
// No kind ever receives more than the item's declared uncompressed size: data that goes on past
// it, ends short of it, or a stored item whose two sizes differ is CorruptArchive (on the last
// piece to memory; earlier pieces may already be in the caller's handle, but never a success).
ZipResult unzip_item(ZipHandle* handle, std::int32_t index, void* target, std::uint32_t length,
                     std::uint32_t kind);
ZipResult unzip_item_to_file(ZipHandle* handle, std::int32_t index, const char16_t* name);
ZipResult unzip_item_to_handle(ZipHandle* handle, std::int32_t index, ZipFileHandle target);
ZipResult unzip_item_to_memory(ZipHandle* handle, std::int32_t index, void* buffer, std::uint32_t length);
ZipResult unzip_close(ZipHandle* handle);

// Closes either kind: the generic close callers use when they hold a handle of unknown kind.
inline ZipResult zip_close_any(ZipHandle* handle)
{
    return zip_is_reader(handle) ? unzip_close(handle) : zip_close(handle);
}
