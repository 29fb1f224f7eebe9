// Raw deflate layer: level 8, 32 KiB window, no zlib header or trailer.
#include "stream.h"

#include <zlib.h>

namespace zipengine
{
struct DeflateStream::State
{
    z_stream z{};
    std::uint8_t out[BlockSize];
};

DeflateStream::DeflateStream() : state_(std::make_unique<State>())
{
    ready_ = deflateInit2(&state_->z, 8, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) == Z_OK;
}

DeflateStream::~DeflateStream()
{
    if (ready_)
        deflateEnd(&state_->z);
}

void DeflateStream::begin(Stream& base)
{
    base_ = &base;
    deflateReset(&state_->z);
}

ZipResult DeflateStream::pump(int flush)
{
    z_stream& z = state_->z;
    for (;;)
    {
        z.next_out = state_->out;
        z.avail_out = sizeof(state_->out);
        const int rc = deflate(&z, flush);
        if (rc == Z_STREAM_ERROR)
            return zip_result::WriteFailed;
        const std::size_t produced = sizeof(state_->out) - z.avail_out;
        if (produced > 0)
        {
            // A failed write ends the item here; the compressor never writes past its block.
            const ZipResult written = base_->write(state_->out, produced);
            if (written != zip_result::Ok)
                return written;
        }
        if (flush == Z_FINISH)
        {
            if (rc == Z_STREAM_END)
                return zip_result::Ok;
            if (rc == Z_BUF_ERROR && produced == 0)
                return zip_result::WriteFailed;
            continue;
        }
        if (z.avail_out != 0)
            return zip_result::Ok; // all input taken in
    }
}

ZipResult DeflateStream::write(const void* data, std::size_t size)
{
    if (!ready_ || base_ == nullptr)
        return zip_result::WriteFailed;
    state_->z.next_in = static_cast<Bytef*>(const_cast<void*>(data));
    state_->z.avail_in = static_cast<uInt>(size);
    return pump(Z_NO_FLUSH);
}

ZipResult DeflateStream::finish()
{
    if (!ready_ || base_ == nullptr)
        return zip_result::WriteFailed;
    state_->z.next_in = nullptr;
    state_->z.avail_in = 0;
    return pump(Z_FINISH);
}
} // namespace zipengine
