#include "crypt.h"

namespace zipengine
{
EntryKeys make_keys(const char* password)
{
    EntryKeys keys;
    if (password != nullptr)
        for (const char* p = password; *p != '\0'; ++p)
            update_keys(keys, static_cast<std::uint8_t>(*p));
    return keys;
}

namespace
{
// CRC of a zero byte after a table entry: lets two CRC steps be taken at once, because the
// CRC is linear: crc(crc(c, a), b) = (c >> 16) ^ Ahead[(c ^ a) & 0xFF] ^ CrcTable[((c >> 8) ^ b) & 0xFF].
constexpr std::array<std::uint32_t, 256> Ahead = []
{
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n)
        table[n] = (CrcTable[n] >> 8) ^ CrcTable[CrcTable[n] & 0xFF];
    return table;
}();

// The key-stream byte for every value of the low 16 bits of key 2: a lookup is cheaper than
// the multiply in the two-byte rounds, which are bound by instruction count.
const std::array<std::uint8_t, 65536> KeyStream = []
{
    std::array<std::uint8_t, 65536> table{};
    for (std::uint32_t v = 0; v < 65536; ++v)
    {
        const std::uint32_t t = v | 2;
        table[v] = static_cast<std::uint8_t>((t * (t ^ 1)) >> 8);
    }
    return table;
}();

constexpr std::uint32_t Multiplier = 134775813u;
} // namespace

void encrypt_bytes(EntryKeys& keys, std::uint8_t* data, std::size_t size)
{
    // The plain text is known up front, so the three key chains can each advance two bytes
    // per round; this halves their dependency chains, which bound the speed. Keys are kept
    // in locals so they stay in registers.
    std::uint32_t k0 = keys.key0;
    std::uint32_t k1 = keys.key1;
    std::uint32_t k2 = keys.key2;
    std::size_t i = 0;
    for (; i + 2 <= size; i += 2)
    {
        const std::uint8_t p0 = data[i];
        const std::uint8_t p1 = data[i + 1];
        const std::uint32_t a = (k0 ^ p0) & 0xFF;
        const std::uint32_t k0_first = (k0 >> 8) ^ CrcTable[a];
        k0 = (k0 >> 16) ^ Ahead[a] ^ CrcTable[((k0 >> 8) ^ p1) & 0xFF];
        const std::uint32_t k1_first = k1 * Multiplier + ((k0_first & 0xFF) * Multiplier + 1);
        k1 = k1_first * Multiplier + ((k0 & 0xFF) * Multiplier + 1);
        const std::uint32_t b = (k2 ^ (k1_first >> 24)) & 0xFF;
        const std::uint8_t s0 = KeyStream[k2 & 0xFFFF];
        const std::uint32_t k2_first = (k2 >> 8) ^ CrcTable[b];
        const std::uint8_t s1 = KeyStream[k2_first & 0xFFFF];
        k2 = (k2 >> 16) ^ Ahead[b] ^ CrcTable[((k2 >> 8) ^ (k1 >> 24)) & 0xFF];
        data[i] = static_cast<std::uint8_t>(p0 ^ s0);
        data[i + 1] = static_cast<std::uint8_t>(p1 ^ s1);
    }
    EntryKeys k{k0, k1, k2};
    for (; i < size; ++i)
    {
        const std::uint8_t plain = data[i];
        data[i] = plain ^ key_stream_byte(k);
        update_keys(k, plain);
    }
    keys = k;
}

void decrypt_bytes(EntryKeys& keys, std::uint8_t* data, std::size_t size)
{
    EntryKeys k = keys;
    for (std::size_t i = 0; i < size; ++i)
    {
        const std::uint8_t plain = data[i] ^ key_stream_byte(k);
        data[i] = plain;
        update_keys(k, plain);
    }
    keys = k;
}
} // namespace zipengine
