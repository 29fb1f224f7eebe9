// Raw inflate layer over the compressed bytes of one item.
#include "stream.h"

#include <zlib.h>

namespace zipengine
{
struct InflateStream::State
{
    z_stream z{};
    std::uint8_t in[BlockSize];
};

InflateStream::InflateStream(Stream& base) : state_(std::make_unique<State>()), base_(&base)
{
    ready_ = inflateInit2(&state_->z, -15) == Z_OK;
}

InflateStream::~InflateStream()
{
    if (ready_)
        inflateEnd(&state_->z);
}

std::int64_t InflateStream::read(void* data, std::size_t size)
{
    if (!ready_)
        return -1;
    z_stream& z = state_->z;
    z.next_out = static_cast<Bytef*>(data);
    z.avail_out = static_cast<uInt>(size);
    while (z.avail_out > 0 && !ended_)
    {
        if (z.avail_in == 0 && !input_done_)
        {
            const std::int64_t n = base_->read(state_->in, sizeof(state_->in));
            if (n < 0)
                return -1;
            if (n == 0)
                input_done_ = true;
            z.next_in = state_->in;
            z.avail_in = static_cast<uInt>(n);
        }
        const uInt before = z.avail_out;
        const int rc = inflate(&z, Z_SYNC_FLUSH);
        if (rc == Z_STREAM_END)
        {
            ended_ = true;
            break;
        }
        if (rc == Z_BUF_ERROR && input_done_ && z.avail_out == before)
            return -1; // the compressed data stopped before its end
        if (rc != Z_OK && rc != Z_BUF_ERROR)
            return -1;
    }
    return static_cast<std::int64_t>(size - z.avail_out);
}
} // namespace zipengine
