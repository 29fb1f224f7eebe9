// Traditional PKWARE encryption: the key schedule and the byte cipher. Kept inline and
// table-driven because it runs once per data byte.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace zipengine
{
struct EntryKeys
{
    std::uint32_t key0 = 0x12345678;
    std::uint32_t key1 = 0x23456789;
    std::uint32_t key2 = 0x34567890;
};

inline constexpr std::array<std::uint32_t, 256> CrcTable = []
{
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n)
    {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}();

inline std::uint32_t crc_step(std::uint32_t crc, std::uint8_t byte)
{
    return (crc >> 8) ^ CrcTable[(crc ^ byte) & 0xFF];
}

inline void update_keys(EntryKeys& keys, std::uint8_t byte)
{
    keys.key0 = crc_step(keys.key0, byte);
    keys.key1 = (keys.key1 + (keys.key0 & 0xFF)) * 134775813u + 1;
    keys.key2 = crc_step(keys.key2, static_cast<std::uint8_t>(keys.key1 >> 24));
}

inline std::uint8_t key_stream_byte(const EntryKeys& keys)
{
    const std::uint32_t t = (keys.key2 & 0xFFFF) | 2;
    return static_cast<std::uint8_t>((t * (t ^ 1)) >> 8);
}

// Fresh keys for one item, fed with the password bytes up to the terminator (null: none).
EntryKeys make_keys(const char* password);

void encrypt_bytes(EntryKeys& keys, std::uint8_t* data, std::size_t size);
void decrypt_bytes(EntryKeys& keys, std::uint8_t* data, std::size_t size);
} // namespace zipengine
