#include "parallel_deflate.h"

#include "worker_pool.h"

#include <algorithm>
#include <cstring>
#include <zlib.h>

namespace zipengine
{
struct ParallelDeflateStream::Block
{
    std::vector<std::uint8_t> input; // the dictionary, then the block's own bytes
    std::size_t dictionary = 0;
    std::vector<std::uint8_t> output;
    std::size_t produced = 0;
    std::uint32_t crc = 0;
    bool last = false;
    bool ok = false;
    bool done = false; // set by the worker under the stream's mutex

    std::size_t data_size() const { return input.size() - dictionary; }
};

namespace
{
// One compressor per worker thread, reset for each block: setting up level 8 costs about as
// much as deflating a few KiB.
struct ThreadDeflater
{
    z_stream z{};
    bool ready = false;
    ThreadDeflater() { ready = deflateInit2(&z, 8, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) == Z_OK; }
    ~ThreadDeflater()
    {
        if (ready)
            deflateEnd(&z);
    }
    ThreadDeflater(const ThreadDeflater&) = delete;
    ThreadDeflater& operator=(const ThreadDeflater&) = delete;
};

bool deflate_into(const std::uint8_t* dictionary, std::size_t dictionary_size, const std::uint8_t* data,
                  std::size_t size, bool last, std::vector<std::uint8_t>& output, std::size_t& produced)
{
    thread_local ThreadDeflater deflater;
    if (!deflater.ready)
        return false;
    z_stream& z = deflater.z;
    if (deflateReset(&z) != Z_OK)
        return false;
    if (dictionary_size > 0 &&
        deflateSetDictionary(&z, dictionary, static_cast<uInt>(dictionary_size)) != Z_OK)
        return false;
    // The bound plus room for the sync flush marker; grown if a block ever needs more.
    const std::size_t bound = deflateBound(&z, static_cast<uLong>(size)) + 16;
    if (output.size() < bound)
        output.resize(bound);
    z.next_in = const_cast<Bytef*>(data);
    z.avail_in = static_cast<uInt>(size);
    produced = 0;
    const int flush = last ? Z_FINISH : Z_SYNC_FLUSH;
    for (;;)
    {
        z.next_out = output.data() + produced;
        z.avail_out = static_cast<uInt>(output.size() - produced);
        const int rc = deflate(&z, flush);
        produced = output.size() - z.avail_out;
        if (rc == Z_STREAM_ERROR)
            return false;
        if (last ? rc == Z_STREAM_END : z.avail_in == 0 && z.avail_out != 0)
            return true;
        if (z.avail_out == 0)
            output.resize(output.size() * 2);
        else if (rc == Z_BUF_ERROR)
            return false;
    }
}
} // namespace

ParallelDeflateStream::ParallelDeflateStream(WorkerPool& pool, std::size_t in_flight, std::size_t block_size)
    : pool_(&pool), in_flight_(in_flight > 0 ? in_flight : 1),
      block_size_(block_size > DictionarySize ? block_size : DictionarySize)
{
}

ParallelDeflateStream::~ParallelDeflateStream()
{
    wait_all();
}

void ParallelDeflateStream::begin(Stream& base)
{
    wait_all();
    base_ = &base;
    crc_ = static_cast<std::uint32_t>(crc32(0, nullptr, 0));
    length_ = 0;
    failed_ = zip_result::Ok;
    if (filling_ != nullptr)
        spare_.push_back(std::move(filling_));
}

std::unique_ptr<ParallelDeflateStream::Block> ParallelDeflateStream::take_block()
{
    std::unique_ptr<Block> block;
    if (!spare_.empty())
    {
        block = std::move(spare_.back());
        spare_.pop_back();
    }
    else
    {
        block = std::make_unique<Block>();
        block->input.reserve(DictionarySize + block_size_);
    }
    block->input.clear();
    block->dictionary = 0;
    block->produced = 0;
    block->last = false;
    block->ok = false;
    block->done = false;
    return block;
}

ZipResult ParallelDeflateStream::write(const void* data, std::size_t size)
{
    if (base_ == nullptr || failed_ != zip_result::Ok)
        return failed_ != zip_result::Ok ? failed_ : zip_result::WriteFailed;
    try
    {
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        while (size > 0)
        {
            if (filling_ == nullptr)
                filling_ = take_block();
            else if (filling_->data_size() == block_size_)
            {
                // More input follows, so the full block is not the last: queue it and start the
                // next one primed with its tail.
                std::unique_ptr<Block> next = take_block();
                const std::vector<std::uint8_t>& previous = filling_->input;
                next->input.assign(previous.end() - static_cast<std::ptrdiff_t>(DictionarySize), previous.end());
                next->dictionary = DictionarySize;
                if (const ZipResult queued = queue(false); queued != zip_result::Ok)
                    return queued;
                filling_ = std::move(next);
            }
            const std::size_t take = std::min(size, block_size_ - filling_->data_size());
            filling_->input.insert(filling_->input.end(), bytes, bytes + take);
            bytes += take;
            size -= take;
        }
        return zip_result::Ok;
    }
    catch (...)
    {
        wait_all();
        return failed_ = zip_result::AllocFailed;
    }
}

ZipResult ParallelDeflateStream::finish()
{
    if (base_ == nullptr || failed_ != zip_result::Ok)
        return failed_ != zip_result::Ok ? failed_ : zip_result::WriteFailed;
    try
    {
        if (filling_ == nullptr)
            filling_ = take_block(); // an empty item still ends its stream
        if (const ZipResult queued = queue(true); queued != zip_result::Ok)
            return queued;
        while (!queued_.empty())
            if (const ZipResult written = write_oldest(); written != zip_result::Ok)
                return written;
        return zip_result::Ok;
    }
    catch (...)
    {
        wait_all();
        return failed_ = zip_result::AllocFailed;
    }
}

ZipResult ParallelDeflateStream::queue(bool last)
{
    while (queued_.size() >= in_flight_)
        if (const ZipResult written = write_oldest(); written != zip_result::Ok)
            return written;
    Block* block = filling_.get();
    block->last = last;
    queued_.push_back(std::move(filling_));
    try
    {
        pool_->submit([this, block] { deflate_block(*block); });
    }
    catch (...)
    {
        deflate_block(*block); // the queue could not grow: deflate it here
    }
    return zip_result::Ok;
}

void ParallelDeflateStream::deflate_block(Block& block)
{
    bool ok = false;
    try
    {
        block.crc = static_cast<std::uint32_t>(
            crc32(0, block.input.data() + block.dictionary, static_cast<uInt>(block.data_size())));
        ok = deflate_into(block.input.data(), block.dictionary, block.input.data() + block.dictionary,
                          block.data_size(), block.last, block.output, block.produced);
    }
    catch (...)
    {
        ok = false;
    }
    // Notified under the lock: once the owner sees `done`, this worker no longer touches the
    // stream, which may then be destroyed.
    std::lock_guard lock(mutex_);
    block.ok = ok;
    block.done = true;
    done_.notify_all();
}

ZipResult ParallelDeflateStream::write_oldest()
{
    Block& block = *queued_.front();
    {
        std::unique_lock lock(mutex_);
        done_.wait(lock, [&block] { return block.done; });
    }
    ZipResult result = zip_result::WriteFailed;
    if (block.ok)
    {
        crc_ = static_cast<std::uint32_t>(crc32_combine(crc_, block.crc, static_cast<z_off_t>(block.data_size())));
        length_ += block.data_size();
        result = base_->write(block.output.data(), block.produced);
    }
    spare_.push_back(std::move(queued_.front()));
    queued_.erase(queued_.begin());
    if (result != zip_result::Ok)
    {
        wait_all();
        failed_ = result;
    }
    return result;
}

void ParallelDeflateStream::wait_all()
{
    {
        std::unique_lock lock(mutex_);
        done_.wait(lock,
                   [this]
                   {
                       return std::all_of(queued_.begin(), queued_.end(),
                                          [](const std::unique_ptr<Block>& block) { return block->done; });
                   });
    }
    for (std::unique_ptr<Block>& block : queued_)
        spare_.push_back(std::move(block));
    queued_.clear();
}
} // namespace zipengine
