#include "stream.h"

#include <cstring>

namespace zipengine
{
std::int64_t CipherStream::read(void* data, std::size_t size)
{
    const std::int64_t n = base_->read(data, size);
    if (n > 0)
        decrypt_bytes(keys_, static_cast<std::uint8_t*>(data), static_cast<std::size_t>(n));
    return n;
}

ZipResult CipherStream::write(const void* data, std::size_t size)
{
    // The caller's block stays untouched: it may be the source the CRC was taken from.
    if (scratch_.size() < size)
        scratch_.resize(size);
    if (size > 0)
        std::memcpy(scratch_.data(), data, size);
    encrypt_bytes(keys_, scratch_.data(), size);
    return base_->write(scratch_.data(), size);
}
} // namespace zipengine
