#include "item_stream.h"

#include <zlib.h>

namespace zipengine
{
ZipResult ItemStream::open(Stream& source, std::uint64_t data_offset, const ItemHeader& central,
                           const char* password)
{
    // Stored data is its own size (plus the cipher header): any other pair of sizes lies.
    const std::uint64_t cipher_header = (central.flags & FlagEncrypted) ? EncryptionHeaderSize : 0;
    if (central.method == MethodStored && central.compressed_size != central.uncompressed_size + cipher_header)
        return zip_result::CorruptArchive;
    window_ = std::make_unique<WindowStream>(source, data_offset, central.compressed_size);
    top_ = window_.get();
    if (central.flags & FlagEncrypted)
    {
        cipher_ = std::make_unique<CipherStream>(*window_);
        cipher_->reset(*window_, make_keys(password));
        std::uint8_t header[EncryptionHeaderSize];
        std::size_t got = 0;
        while (got < sizeof header)
        {
            const std::int64_t n = cipher_->read(header + got, sizeof header - got);
            if (n <= 0)
                return zip_result::FlateFailed;
            got += static_cast<std::size_t>(n);
        }
        // With a data descriptor the CRC was unknown when the header was made, so the
        // writer used the DOS time instead.
        const auto check = static_cast<std::uint8_t>((central.flags & FlagDescriptor) ? central.dos_stamp >> 8
                                                                                      : central.crc >> 24);
        if (header[EncryptionHeaderSize - 1] != check)
            return zip_result::WrongPassword;
        top_ = cipher_.get();
    }
    if (central.method != MethodStored)
    {
        inflate_ = std::make_unique<InflateStream>(*top_);
        if (!inflate_->ready())
            return zip_result::FlateFailed;
        top_ = inflate_.get();
    }
    left_ = central.uncompressed_size;
    expected_crc_ = central.crc;
    crc_ = static_cast<std::uint32_t>(crc32(0, nullptr, 0));
    return zip_result::Ok;
}

ItemStream::Piece ItemStream::read(void* buffer, std::size_t size)
{
    Piece piece;
    auto* out = static_cast<std::uint8_t*>(buffer);
    if (size > left_)
        size = static_cast<std::size_t>(left_);
    while (piece.size < size)
    {
        const std::int64_t n = top_->read(out + piece.size, size - piece.size);
        if (n <= 0)
        {
            piece.result = failure(n); // the data ended short of its declared size, or is damaged
            break;
        }
        crc_ = static_cast<std::uint32_t>(crc32(crc_, out + piece.size, static_cast<uInt>(n)));
        piece.size += static_cast<std::size_t>(n);
        left_ -= static_cast<std::uint64_t>(n);
    }
    if (piece.result == zip_result::Ok && left_ == 0)
    {
        piece.end = true;
        // The declared size is all the caller gets; data that goes on past it is refused
        // rather than cut, so a small declared size cannot hide a large item.
        std::uint8_t probe = 0;
        if (const std::int64_t n = top_->read(&probe, 1); n != 0)
            piece.result = n > 0 ? zip_result::CorruptArchive : failure(n);
        else if (crc_ != expected_crc_)
            piece.result = zip_result::CorruptArchive;
    }
    return piece;
}

ZipResult ItemStream::failure(std::int64_t n) const
{
    if (n == 0 || (inflate_ && inflate_->starved()))
        return zip_result::CorruptArchive;
    return zip_result::FlateFailed;
}
} // namespace zipengine
