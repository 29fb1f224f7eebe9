// Raw deflate of one large item on the worker pool. The input is cut into blocks; each block
// is deflated on its own, primed with the 32 KiB before it as dictionary and ended on a byte
// boundary by a sync flush (the last one by the stream's end), so the blocks joined in order
// are one valid deflate stream. The CRC-32 of the input is combined from the blocks' CRCs.
#pragma once

#include "stream.h"

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace zipengine
{
class WorkerPool;

// Items above the threshold are split into blocks of this size.
inline constexpr std::size_t ParallelBlockSize = 128 * 1024;
inline constexpr std::uint64_t ParallelThreshold = 256 * 1024;
inline constexpr std::size_t DictionarySize = 32 * 1024;

class ParallelDeflateStream final : public Stream
{
public:
    // At most `in_flight` blocks are queued or being deflated at once; with the block that is
    // being filled and the one being written that bounds the memory of an item of any size.
    ParallelDeflateStream(WorkerPool& pool, std::size_t in_flight, std::size_t block_size = ParallelBlockSize);
    // Waits for every block still on the pool: they point into this stream.
    ~ParallelDeflateStream() override;
    ParallelDeflateStream(const ParallelDeflateStream&) = delete;
    ParallelDeflateStream& operator=(const ParallelDeflateStream&) = delete;

    void begin(Stream& base);
    ZipResult write(const void* data, std::size_t size) override;
    ZipResult finish() override;
    // CRC-32 and length of everything written since begin(), valid after a successful finish().
    std::uint32_t crc() const { return crc_; }
    std::uint64_t length() const { return length_; }

private:
    struct Block;
    ZipResult queue(bool last);
    ZipResult write_oldest();
    void wait_all();
    void deflate_block(Block& block);
    std::unique_ptr<Block> take_block();

    WorkerPool* pool_;
    std::size_t in_flight_;
    std::size_t block_size_;
    Stream* base_ = nullptr;
    std::unique_ptr<Block> filling_;
    std::vector<std::unique_ptr<Block>> queued_; // oldest first
    std::vector<std::unique_ptr<Block>> spare_;
    std::uint32_t crc_ = 0;
    std::uint64_t length_ = 0;
    ZipResult failed_ = zip_result::Ok;
    std::mutex mutex_; // guards Block::done
    std::condition_variable done_;
};
} // namespace zipengine
