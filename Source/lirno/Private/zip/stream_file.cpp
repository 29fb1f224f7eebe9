#include "platform.h"
#include "stream.h"

namespace zipengine
{
FileStream::~FileStream()
{
    if (owns_)
        platform::close_file(fd_);
}

std::int64_t FileStream::read(void* data, std::size_t size)
{
    return platform::read(fd_, data, size);
}

ZipResult FileStream::write(const void* data, std::size_t size)
{
    return platform::write_all(fd_, data, size) ? zip_result::Ok : zip_result::WriteFailed;
}

bool FileStream::seek(std::uint64_t position)
{
    return platform::seek(fd_, position);
}

std::int64_t FileStream::read_at(std::uint64_t position, void* data, std::size_t size)
{
    return platform::read_at(fd_, position, data, size);
}

ZipResult FileStream::write_at(std::uint64_t position, const void* data, std::size_t size)
{
    if (platform::tell(fd_) < 0)
        return zip_result::SeekFailed;
    return platform::write_all_at(fd_, position, data, size) ? zip_result::Ok : zip_result::WriteFailed;
}

std::int64_t FileStream::tell()
{
    return platform::tell(fd_);
}

std::int64_t FileStream::size()
{
    return platform::end_position(fd_);
}
} // namespace zipengine
