#include "stream.h"

#include <cstring>

namespace zipengine
{
std::int64_t MemoryStream::read(void* data, std::size_t size)
{
    if (position_ >= capacity_)
        return 0;
    const std::size_t n = size < capacity_ - position_ ? size : capacity_ - position_;
    std::memcpy(data, data_ + position_, n);
    position_ += n;
    return static_cast<std::int64_t>(n);
}

ZipResult MemoryStream::write(const void* data, std::size_t size)
{
    if (!writable_)
        return zip_result::WriteFailed;
    if (position_ + size >= capacity_)
        return zip_result::MemoryFull;
    if (size > 0)
        std::memcpy(data_ + position_, data, size);
    position_ += size;
    return zip_result::Ok;
}

bool MemoryStream::seek(std::uint64_t position)
{
    // A writer may not move to or past its last byte; a reader may stop at the end.
    if (writable_ ? position >= capacity_ : position > capacity_)
        return false;
    position_ = static_cast<std::size_t>(position);
    return true;
}
} // namespace zipengine
