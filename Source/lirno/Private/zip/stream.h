// One stream interface for every source and target. Files and memory decide only the
// bottom stream; deflate, inflate, encryption and windows are layers over a `base` stream.
#pragma once

#include "crypt.h"
#include "zip.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace zipengine
{
class Stream
{
public:
    virtual ~Stream() = default;
    // Bytes read (0 at the end) or -1 on failure.
    virtual std::int64_t read(void* data, std::size_t size);
    // Writes every byte or reports why not.
    virtual ZipResult write(const void* data, std::size_t size);
    virtual bool seek(std::uint64_t position);
    // Reads at a position without relying on the current one; -1 on failure.
    virtual std::int64_t read_at(std::uint64_t position, void* data, std::size_t size);
    // Writes at a position and leaves the current one where it was.
    virtual ZipResult write_at(std::uint64_t position, const void* data, std::size_t size);
    // Current position, -1 when the stream cannot seek.
    virtual std::int64_t tell();
    // Total size when known up front, else -1.
    virtual std::int64_t size();
    // Flushes whatever a layer still holds.
    virtual ZipResult finish();
};

// A file descriptor, owned or borrowed.
class FileStream final : public Stream
{
public:
    FileStream(int fd, bool owns) : fd_(fd), owns_(owns) {}
    ~FileStream() override;
    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;

    std::int64_t read(void* data, std::size_t size) override;
    ZipResult write(const void* data, std::size_t size) override;
    bool seek(std::uint64_t position) override;
    std::int64_t read_at(std::uint64_t position, void* data, std::size_t size) override;
    ZipResult write_at(std::uint64_t position, const void* data, std::size_t size) override;
    std::int64_t tell() override;
    std::int64_t size() override;
    int fd() const { return fd_; }

private:
    int fd_;
    bool owns_;
};

// A memory block. Writes must stay strictly below the capacity: the last byte is never
// filled, which keeps room for callers that terminate the block.
class MemoryStream final : public Stream
{
public:
    MemoryStream(std::uint8_t* data, std::size_t capacity, bool writable)
        : data_(data), capacity_(capacity), writable_(writable)
    {
    }
    std::int64_t read(void* data, std::size_t size) override;
    ZipResult write(const void* data, std::size_t size) override;
    bool seek(std::uint64_t position) override;
    std::int64_t tell() override { return static_cast<std::int64_t>(position_); }
    std::int64_t size() override { return static_cast<std::int64_t>(capacity_); }
    std::uint8_t* data() const { return data_; }

private:
    std::uint8_t* data_;
    std::size_t capacity_;
    std::size_t position_ = 0;
    bool writable_;
};

// Reads the bytes [offset, offset + length) of its base, re-positioning before every read so
// other users of the base may move it in between.
class WindowStream final : public Stream
{
public:
    WindowStream(Stream& base, std::uint64_t offset, std::uint64_t length)
        : base_(&base), offset_(offset), left_(length)
    {
    }
    std::int64_t read(void* data, std::size_t size) override;

private:
    Stream* base_;
    std::uint64_t offset_;
    std::uint64_t left_;
};

// Traditional encryption over a base: encrypts what is written, decrypts what is read.
class CipherStream final : public Stream
{
public:
    explicit CipherStream(Stream& base) : base_(&base) {}
    void reset(Stream& base, const EntryKeys& keys)
    {
        base_ = &base;
        keys_ = keys;
    }
    std::int64_t read(void* data, std::size_t size) override;
    ZipResult write(const void* data, std::size_t size) override;

private:
    Stream* base_;
    EntryKeys keys_;
    std::vector<std::uint8_t> scratch_; // grows to the largest block written
};

// Raw deflate (no zlib wrapper) at a fixed level; finish() flushes the end of the stream.
// One instance serves every item of an archive: begin() resets it.
class DeflateStream final : public Stream
{
public:
    DeflateStream();
    ~DeflateStream() override;
    DeflateStream(const DeflateStream&) = delete;
    DeflateStream& operator=(const DeflateStream&) = delete;

    bool ready() const { return ready_; }
    void begin(Stream& base);
    ZipResult write(const void* data, std::size_t size) override;
    ZipResult finish() override;

private:
    ZipResult pump(int flush);
    struct State;
    std::unique_ptr<State> state_;
    Stream* base_ = nullptr;
    bool ready_ = false;
};

// Raw inflate over a base holding exactly the compressed bytes.
class InflateStream final : public Stream
{
public:
    explicit InflateStream(Stream& base);
    ~InflateStream() override;
    InflateStream(const InflateStream&) = delete;
    InflateStream& operator=(const InflateStream&) = delete;

    bool ready() const { return ready_; }
    std::int64_t read(void* data, std::size_t size) override;
    // True once the compressed data said it was complete.
    bool ended() const { return ended_; }
    // True once the base ran out of compressed bytes: a failure after that is data cut short.
    bool starved() const { return input_done_; }

private:
    struct State;
    std::unique_ptr<State> state_;
    Stream* base_;
    bool ready_ = false;
    bool ended_ = false;
    bool input_done_ = false;
};

inline constexpr std::size_t BlockSize = 16384;
} // namespace zipengine
