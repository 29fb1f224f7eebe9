#include "Base64.h"

#include <array>
#include <cstdint>

namespace lirno::service
{
namespace
{
constexpr char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::array<std::int8_t, 256> MakeDecodeTable()
{
    std::array<std::int8_t, 256> table{};
    for (auto& v : table)
        v = -1;
    for (int i = 0; i < 64; ++i)
        table[static_cast<unsigned char>(Alphabet[i])] = static_cast<std::int8_t>(i);
    return table;
}
constexpr auto DecodeTable = MakeDecodeTable();
} // namespace

std::string Base64Encode(std::string_view bytes)
{
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3)
    {
        const std::uint32_t v = (static_cast<unsigned char>(bytes[i]) << 16) |
                                (static_cast<unsigned char>(bytes[i + 1]) << 8) |
                                static_cast<unsigned char>(bytes[i + 2]);
        out += Alphabet[(v >> 18) & 63];
        out += Alphabet[(v >> 12) & 63];
        out += Alphabet[(v >> 6) & 63];
        out += Alphabet[v & 63];
    }
    const std::size_t rest = bytes.size() - i;
    if (rest > 0)
    {
        std::uint32_t v = static_cast<unsigned char>(bytes[i]) << 16;
        if (rest == 2)
            v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        out += Alphabet[(v >> 18) & 63];
        out += Alphabet[(v >> 12) & 63];
        out += rest == 2 ? Alphabet[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

std::optional<std::string> Base64Decode(std::string_view text)
{
    if (text.size() % 4 != 0)
        return std::nullopt;
    std::size_t padding = 0;
    if (!text.empty() && text.back() == '=')
        padding = (text.size() >= 2 && text[text.size() - 2] == '=') ? 2 : 1;
    std::string out;
    out.reserve(text.size() / 4 * 3);
    for (std::size_t i = 0; i < text.size(); i += 4)
    {
        const bool last = i + 4 == text.size();
        std::uint32_t v = 0;
        for (std::size_t j = 0; j < 4; ++j)
        {
            const char c = text[i + j];
            std::int8_t d = 0;
            if (c == '=')
            {
                if (!last || j < 4 - padding)
                    return std::nullopt;
            }
            else
            {
                d = DecodeTable[static_cast<unsigned char>(c)];
                if (d < 0)
                    return std::nullopt;
            }
            v = (v << 6) | static_cast<std::uint32_t>(d);
        }
        out += static_cast<char>((v >> 16) & 0xFF);
        if (!last || padding < 2)
            out += static_cast<char>((v >> 8) & 0xFF);
        if (!last || padding < 1)
            out += static_cast<char>(v & 0xFF);
    }
    return out;
}
} // namespace lirno::service
