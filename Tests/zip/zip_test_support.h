// Shared helpers of the zip tests: a temporary folder, file helpers and archive builders.
#pragma once

#include "TempFolder.h"
#include "zip.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>
#include <zlib.h>

namespace ziptest
{
using Bytes = std::vector<std::uint8_t>;

inline std::u16string u16(const std::string& ascii)
{
    return std::u16string(ascii.begin(), ascii.end());
}

inline std::string ascii(const char16_t* text)
{
    std::string out;
    for (; *text; ++text)
        out += static_cast<char>(*text);
    return out;
}

inline Bytes pattern_bytes(std::size_t size, unsigned seed = 1)
{
    Bytes data(size);
    std::uint32_t x = seed * 2654435761u + 1;
    for (auto& b : data)
    {
        x = x * 1103515245u + 12345u;
        b = static_cast<std::uint8_t>(x >> 16);
    }
    return data;
}

inline Bytes text_bytes(std::size_t size)
{
    Bytes data;
    for (int line = 0; data.size() < size; ++line)
    {
        const std::string s = "line " + std::to_string(line) + " of some compressible text\n";
        data.insert(data.end(), s.begin(), s.end());
    }
    data.resize(size);
    return data;
}

inline std::uint16_t le16(const Bytes& b, std::size_t at)
{
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}
inline std::uint32_t le32(const Bytes& b, std::size_t at)
{
    return le16(b, at) | (static_cast<std::uint32_t>(le16(b, at + 2)) << 16);
}

// A fixture whose cases each get a fresh folder of their own.
class TempDir : public ::testing::Test
{
protected:
    std::string path(const std::string& relative) const { return (folder_ / relative).string(); }
    std::u16string wpath(const std::string& relative) const { return u16(path(relative)); }

    void write_file(const std::string& relative, const Bytes& data) const
    {
        std::filesystem::create_directories(std::filesystem::path(path(relative)).parent_path());
        std::ofstream out(path(relative), std::ios::binary);
        out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    }
    Bytes read_file(const std::string& relative) const
    {
        std::ifstream in(path(relative), std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    bool exists(const std::string& relative) const { return std::filesystem::exists(path(relative)); }
    std::vector<std::string> entries(const std::string& relative = "") const
    {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(path(relative)))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    testsupport::FTempFolder folder_{"zip-tests"};
};

struct MemoryItem
{
    std::string name;
    Bytes data; // empty with folder = true for a folder
    bool folder = false;
};

// Builds an archive in a caller block and returns its bytes.
inline Bytes build_archive(const std::vector<MemoryItem>& items, const char* password = nullptr)
{
    Bytes block(1 << 22);
    ZipHandle* zip =
        zip_create(block.data(), static_cast<std::uint32_t>(block.size()), zip_kind::Memory, password);
    EXPECT_NE(zip, nullptr);
    for (const auto& item : items)
    {
        const std::u16string name = u16(item.name);
        const ZipResult r = item.folder ? zip_add_folder(zip, name.c_str())
                                        : zip_add_memory(zip, name.c_str(), item.data.data(),
                                                         static_cast<std::uint32_t>(item.data.size()));
        EXPECT_EQ(r, zip_result::Ok) << item.name;
    }
    void* data = nullptr;
    std::uint32_t length = 0;
    EXPECT_EQ(zip_get_memory(zip, &data, &length), zip_result::Ok);
    Bytes out(static_cast<std::uint8_t*>(data), static_cast<std::uint8_t*>(data) + length);
    EXPECT_EQ(zip_close(zip), zip_result::Ok);
    return out;
}

// Reads a whole item through unzip_item_to_memory.
inline ZipResult read_item(ZipHandle* zip, int index, Bytes& out, std::size_t piece = 7000)
{
    out.clear();
    Bytes buffer(piece);
    for (;;)
    {
        const std::size_t before = out.size();
        (void)before;
        const ZipResult r =
            unzip_item_to_memory(zip, index, buffer.data(), static_cast<std::uint32_t>(piece));
        if (r != zip_result::Ok && r != zip_result::MoreToUnzip && r != zip_result::CorruptArchive)
            return r;
        // The piece size delivered is the buffer, except the last one, whose size we learn
        // from the entry.
        if (r == zip_result::MoreToUnzip)
        {
            out.insert(out.end(), buffer.begin(), buffer.end());
            continue;
        }
        ZipEntry entry{};
        unzip_get_item(zip, index, &entry);
        const std::size_t rest = entry.uncompressed_size - out.size();
        out.insert(out.end(), buffer.begin(), buffer.begin() + static_cast<long>(rest));
        return r;
    }
}
} // namespace ziptest

namespace ziptest
{
// A hand-made stored item, for archives the engine's writer would never produce.
struct RawItem
{
    std::string name;
    Bytes data;
    std::uint16_t version_made_by = 0x0B17;
    std::uint32_t external = 0x81800020;
    std::uint32_t dos_stamp = 0x52640000 | (5 << 11); // 2021-03-04 05:00:00
    Bytes extra;                                      // local extra field
};

inline void put_le(Bytes& b, std::uint32_t v, int size)
{
    for (int i = 0; i < size; ++i)
        b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

inline Bytes raw_archive(const std::vector<RawItem>& items)
{
    Bytes out;
    Bytes central;
    for (const auto& item : items)
    {
        const std::uint32_t offset = static_cast<std::uint32_t>(out.size());
        const auto crc =
            static_cast<std::uint32_t>(crc32(0, item.data.data(), static_cast<uInt>(item.data.size())));
        const auto size = static_cast<std::uint32_t>(item.data.size());
        put_le(out, 0x04034B50, 4);
        put_le(out, 20, 2);
        put_le(out, 0, 2);
        put_le(out, 0, 2);
        put_le(out, item.dos_stamp, 4);
        put_le(out, crc, 4);
        put_le(out, size, 4);
        put_le(out, size, 4);
        put_le(out, static_cast<std::uint32_t>(item.name.size()), 2);
        put_le(out, static_cast<std::uint32_t>(item.extra.size()), 2);
        out.insert(out.end(), item.name.begin(), item.name.end());
        out.insert(out.end(), item.extra.begin(), item.extra.end());
        out.insert(out.end(), item.data.begin(), item.data.end());

        put_le(central, 0x02014B50, 4);
        put_le(central, item.version_made_by, 2);
        put_le(central, 20, 2);
        put_le(central, 0, 2);
        put_le(central, 0, 2);
        put_le(central, item.dos_stamp, 4);
        put_le(central, crc, 4);
        put_le(central, size, 4);
        put_le(central, size, 4);
        put_le(central, static_cast<std::uint32_t>(item.name.size()), 2);
        put_le(central, 0, 2);
        put_le(central, 0, 2);
        put_le(central, 0, 2);
        put_le(central, 0, 2);
        put_le(central, item.external, 4);
        put_le(central, offset, 4);
        central.insert(central.end(), item.name.begin(), item.name.end());
    }
    const auto directory = static_cast<std::uint32_t>(out.size());
    out.insert(out.end(), central.begin(), central.end());
    put_le(out, 0x06054B50, 4);
    put_le(out, 0, 4);
    put_le(out, static_cast<std::uint32_t>(items.size()), 2);
    put_le(out, static_cast<std::uint32_t>(items.size()), 2);
    put_le(out, static_cast<std::uint32_t>(central.size()), 4);
    put_le(out, directory, 4);
    put_le(out, 0, 2);
    return out;
}

inline void set_le(Bytes& b, std::size_t at, std::uint32_t v, int size)
{
    for (int i = 0; i < size; ++i)
        b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Where the index-th central header starts, in an archive without a comment.
inline std::size_t central_header_at(const Bytes& archive, int index)
{
    std::size_t at = le32(archive, archive.size() - 6);
    for (int i = 0; i < index; ++i)
        at += 46u + le16(archive, at + 28) + le16(archive, at + 30) + le16(archive, at + 32);
    return at;
}

// Makes an item claim another uncompressed size and CRC-32 in its central header and, unless
// a data descriptor stands in for them, in its local header, so only the data can tell.
inline void declare_size(Bytes& archive, int index, std::uint32_t size, std::uint32_t crc)
{
    const std::size_t central = central_header_at(archive, index);
    set_le(archive, central + 16, crc, 4);
    set_le(archive, central + 24, size, 4);
    const std::size_t local = le32(archive, central + 42);
    if ((archive[local + 6] & 0x08) == 0)
    {
        set_le(archive, local + 14, crc, 4);
        set_le(archive, local + 22, size, 4);
    }
}

inline ZipHandle* open_memory(const Bytes& archive, const char* password = nullptr)
{
    return unzip_open(archive.data(), static_cast<std::uint32_t>(archive.size()), zip_kind::Memory, password);
}
} // namespace ziptest
