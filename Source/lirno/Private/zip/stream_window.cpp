#include "stream.h"

namespace zipengine
{
std::int64_t WindowStream::read(void* data, std::size_t size)
{
    if (left_ == 0 || size == 0)
        return 0;
    if (size > left_)
        size = static_cast<std::size_t>(left_);
    const std::int64_t n = base_->read_at(offset_, data, size);
    if (n <= 0)
        return -1; // the archive ended before the item's data did
    offset_ += static_cast<std::uint64_t>(n);
    left_ -= static_cast<std::uint64_t>(n);
    return n;
}
} // namespace zipengine
