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
    // Positions on the item's data; WrongPassword when the check byte disagrees, CorruptArchive
    // when a stored item's two sizes disagree.
    ZipResult open(Stream& source, std::uint64_t data_offset, const ItemHeader& central,
                   const char* password);

    struct Piece
    {
        std::size_t size = 0;
        ZipResult result = zip_result::Ok; // a failure, or CorruptArchive for a CRC mismatch
        bool end = false;                  // the item's last byte is in this piece
    };
    // Fills `buffer` as far as the item allows, never past its declared size. Data that ends
    // short of the declared size or goes on past it is CorruptArchive; damaged deflate data
    // is FlateFailed.
    Piece read(void* buffer, std::size_t size);

private:
    // The result for a read that returned n <= 0 before the declared size was reached.
    ZipResult failure(std::int64_t n) const;

    std::unique_ptr<WindowStream> window_;
    std::unique_ptr<CipherStream> cipher_;
    std::unique_ptr<InflateStream> inflate_;
    Stream* top_ = nullptr;
    std::uint64_t left_ = 0;
    std::uint32_t expected_crc_ = 0;
    std::uint32_t crc_ = 0;
};
} // namespace zipengine
