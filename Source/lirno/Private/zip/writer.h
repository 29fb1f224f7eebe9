// The state of one archive being written.
#pragma once

#include "parallel_deflate.h"
#include "records.h"
#include "stream.h"

#include <memory>
#include <string>
#include <vector>

namespace zipengine
{
// Archives keep 32-bit sizes and offsets and a 16-bit item count.
inline constexpr std::uint64_t ArchiveLimit = 0xFFFFFFFFull;
inline constexpr std::size_t ItemLimit = 0xFFFF;

// The bottom of every write: counts bytes, refuses growth past the 32-bit limit, and keeps
// the first failure so later adds are refused.
class OutputGuard final : public Stream
{
public:
    std::unique_ptr<Stream> output;
    std::uint64_t origin = 0;  // output position when the archive began
    std::uint64_t written = 0; // bytes written since the origin
    bool seekable = false;
    ZipResult sticky = zip_result::Ok;

    ZipResult write(const void* data, std::size_t size) override;
};

struct CentralRecord
{
    ItemHeader header;
    std::string name;  // UTF-8, "/" separators
    std::string extra; // the central extended-timestamp field
};

struct Writer
{
    std::string password; // empty: no encryption
    OutputGuard out;
    void* mapping = nullptr; // anonymous mapping owned by the writer
    std::size_t mapping_size = 0;
    std::uint8_t* memory_block = nullptr; // set for memory archives
    bool finished = false;
    std::vector<CentralRecord> central;
    std::unique_ptr<DeflateStream> deflate; // made for the first deflated item
    std::unique_ptr<ParallelDeflateStream> parallel; // made for the first large item
    CipherStream cipher{out};
    std::unique_ptr<std::uint8_t[]> buffer = std::make_unique<std::uint8_t[]>(BlockSize);

    ~Writer();
};

// One kind of item source: how its bytes are found and described.
struct ItemSource;
struct SourceKind
{
    ZipResult (*attach)(ItemSource& source, const void* data, std::uint32_t length);
    bool folder;
};
extern const SourceKind PathSource;   // data: a wide path
extern const SourceKind HandleSource; // data: a file descriptor cast through intptr_t
extern const SourceKind MemorySource; // data: a block of `length` bytes
extern const SourceKind FolderSource; // no data

// Every add goes through here; a null kind is a kind that does not exist.
ZipResult add_item(Writer& writer, const char16_t* name, const SourceKind* kind, const void* data,
                   std::uint32_t length);
ZipResult finish_archive(Writer& writer);
} // namespace zipengine
