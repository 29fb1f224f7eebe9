// The data of one item as the caller sees it: decrypted, inflated, counted and checked.
#pragma once

#include "records.h"
#include "stream.h"

#include <memory>

namespace zipengine
{
class ItemStream
{
public:
    // Positions on the item's data; WrongPassword when the check byte disagrees.
    ZipResult open(Stream& source, std::uint64_t data_offset, const ItemHeader& central,
                   const char* password);

    struct Piece
    {
        std::size_t size = 0;
        ZipResult result = zip_result::Ok; // a failure, or CorruptArchive for a CRC mismatch
        bool end = false;                  // the item's last byte is in this piece
    };
    // Fills `buffer` as far as the item allows.
    Piece read(void* buffer, std::size_t size);

private:
    std::unique_ptr<WindowStream> window_;
    std::unique_ptr<CipherStream> cipher_;
    std::unique_ptr<InflateStream> inflate_;
    Stream* top_ = nullptr;
    std::uint64_t left_ = 0;
    std::uint32_t expected_crc_ = 0;
    std::uint32_t crc_ = 0;
};
} // namespace zipengine
