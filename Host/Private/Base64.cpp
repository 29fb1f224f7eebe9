#include "Paths.h"

#include <array>
#include <exception>

namespace host
{
namespace
{
constexpr char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::array<int, 256> MakeDecodeTable()
{
    std::array<int, 256> table{};
    for (auto& v : table)
    {
        v = -1;
    }
    for (int i = 0; i < 64; ++i)
    {
        table[static_cast<unsigned char>(Alphabet[i])] = i;
    }
    return table;
}
constexpr std::array<int, 256> DecodeTable = MakeDecodeTable();
} // namespace

std::string Base64Encode(std::span<const std::uint8_t> bytes)
{
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3)
    {
        const std::uint32_t n = (bytes[i] << 16) | (bytes[i + 1] << 8) | bytes[i + 2];
        out += Alphabet[(n >> 18) & 63];
        out += Alphabet[(n >> 12) & 63];
        out += Alphabet[(n >> 6) & 63];
        out += Alphabet[n & 63];
    }
    const std::size_t rest = bytes.size() - i;
    if (rest > 0)
    {
        std::uint32_t n = bytes[i] << 16;
        if (rest == 2)
        {
            n |= bytes[i + 1] << 8;
        }
        out += Alphabet[(n >> 18) & 63];
        out += Alphabet[(n >> 12) & 63];
        out += rest == 2 ? Alphabet[(n >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

std::string Base64Encode(const std::string& text)
{
    return Base64Encode(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

namespace
{
// Decodes `size` characters at `in` into `out`, which may be `in` itself: each quantum is read
// whole before its bytes are written, and the bytes never get ahead of the characters read.
// `written` counts the bytes of the valid prefix; false when the text is not base64.
bool DecodeInto(const char* in, std::size_t size, std::uint8_t* out, std::size_t& written)
{
    written = 0;
    for (std::size_t i = 0; i < size; i += 4)
    {
        if (i + 4 > size)
        {
            return false; // a partial quantum
        }
        int v[4];
        int padding = 0;
        for (int k = 0; k < 4; ++k)
        {
            const char c = in[i + k];
            // "=" only closes the last quantum, in its last one or two places.
            if (c == '=' && k >= 2 && i + 4 == size && (k == 3 || in[i + 3] == '='))
            {
                v[k] = 0;
                ++padding;
                continue;
            }
            v[k] = DecodeTable[static_cast<unsigned char>(c)];
            if (v[k] < 0 || padding > 0)
            {
                return false;
            }
        }
        const std::uint32_t n = (v[0] << 18) | (v[1] << 12) | (v[2] << 6) | v[3];
        out[written++] = static_cast<std::uint8_t>(n >> 16);
        if (padding < 2)
        {
            out[written++] = static_cast<std::uint8_t>(n >> 8);
        }
        if (padding < 1)
        {
            out[written++] = static_cast<std::uint8_t>(n);
        }
    }
    return true;
}
} // namespace

bool Base64Decode(const std::string& text, std::vector<std::uint8_t>& bytes)
{
    try
    {
        bytes.resize(text.size() / 4 * 3);
    }
    catch (const std::exception&)
    {
        // Text too large to decode beside itself fails like text that is not base64.
        bytes.clear();
        return false;
    }
    std::size_t written = 0;
    const bool ok = DecodeInto(text.data(), text.size(), bytes.data(), written);
    bytes.resize(written);
    return ok;
}

bool Base64DecodeInPlace(std::string& text)
{
    std::size_t written = 0;
    const bool ok = DecodeInto(text.data(), text.size(), reinterpret_cast<std::uint8_t*>(text.data()), written);
    text.resize(written);
    return ok;
}
} // namespace host
