#include "Util/Base64.h"

#include <array>

namespace util
{
namespace
{
constexpr char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::array<std::int8_t, 256> MakeDecodeTable()
{
    std::array<std::int8_t, 256> table{};
    table.fill(-1);
    for (int i = 0; i < 64; ++i)
        table[static_cast<unsigned char>(Alphabet[i])] = static_cast<std::int8_t>(i);
    return table;
}
constexpr std::array<std::int8_t, 256> DecodeTable = MakeDecodeTable();
} // namespace

std::string Base64Encode(std::span<const std::uint8_t> bytes)
{
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3)
    {
        const std::uint32_t n =
            (std::uint32_t{bytes[i]} << 16) | (std::uint32_t{bytes[i + 1]} << 8) | bytes[i + 2];
        out += Alphabet[(n >> 18) & 63];
        out += Alphabet[(n >> 12) & 63];
        out += Alphabet[(n >> 6) & 63];
        out += Alphabet[n & 63];
    }
    const std::size_t rest = bytes.size() - i;
    if (rest > 0)
    {
        std::uint32_t n = std::uint32_t{bytes[i]} << 16;
        if (rest == 2)
            n |= std::uint32_t{bytes[i + 1]} << 8;
        out += Alphabet[(n >> 18) & 63];
        out += Alphabet[(n >> 12) & 63];
        out += rest == 2 ? Alphabet[(n >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

std::string Base64Encode(std::string_view bytes)
{
    return Base64Encode(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

bool Base64DecodeTo(std::string_view text, std::uint8_t* out, std::size_t& written)
{
    written = 0;
    const std::size_t size = text.size();
    for (std::size_t i = 0; i < size; i += 4)
    {
        if (i + 4 > size)
            return false; // a partial quantum
        std::uint32_t n = 0;
        int padding = 0;
        for (std::size_t k = 0; k < 4; ++k)
        {
            const char c = text[i + k];
            // "=" only closes the last quantum, in its last one or two places.
            if (c == '=' && k >= 2 && i + 4 == size && (k == 3 || text[i + 3] == '='))
            {
                n <<= 6;
                ++padding;
                continue;
            }
            const std::int8_t value = DecodeTable[static_cast<unsigned char>(c)];
            if (value < 0 || padding > 0)
                return false;
            n = (n << 6) | static_cast<std::uint32_t>(value);
        }
        out[written++] = static_cast<std::uint8_t>(n >> 16);
        if (padding < 2)
            out[written++] = static_cast<std::uint8_t>(n >> 8);
        if (padding < 1)
            out[written++] = static_cast<std::uint8_t>(n);
    }
    return true;
}

std::optional<std::string> Base64Decode(std::string_view text)
{
    std::string bytes(Base64DecodedCapacity(text.size()), '\0');
    std::size_t written = 0;
    if (!Base64DecodeTo(text, reinterpret_cast<std::uint8_t*>(bytes.data()), written))
        return std::nullopt;
    bytes.resize(written);
    return bytes;
}

bool Base64DecodeInPlace(std::string& text)
{
    std::size_t written = 0;
    const bool ok = Base64DecodeTo(text, reinterpret_cast<std::uint8_t*>(text.data()), written);
    text.resize(written);
    return ok;
}
} // namespace util
