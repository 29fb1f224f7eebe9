// Defaults of the stream interface: an operation a stream does not offer fails.
#include "stream.h"

namespace zipengine
{
std::int64_t Stream::read(void*, std::size_t)
{
    return -1;
}
ZipResult Stream::write(const void*, std::size_t)
{
    return zip_result::WriteFailed;
}
bool Stream::seek(std::uint64_t)
{
    return false;
}
std::int64_t Stream::read_at(std::uint64_t position, void* data, std::size_t size)
{
    return seek(position) ? read(data, size) : -1;
}
ZipResult Stream::write_at(std::uint64_t position, const void* data, std::size_t size)
{
    const std::int64_t back = tell();
    if (back < 0 || !seek(position))
        return zip_result::SeekFailed;
    const ZipResult result = write(data, size);
    return seek(static_cast<std::uint64_t>(back)) ? result : zip_result::SeekFailed;
}
std::int64_t Stream::tell()
{
    return -1;
}
std::int64_t Stream::size()
{
    return -1;
}
ZipResult Stream::finish()
{
    return zip_result::Ok;
}
} // namespace zipengine
