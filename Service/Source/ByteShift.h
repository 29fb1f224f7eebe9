// The transfer obfuscation: every byte moved by a constant, modulo 256. The plug-in adds 33 to
// its upload and takes 67 off the result package.
#pragma once

#include <cstdint>
#include <string>

namespace lirno::service
{
inline constexpr std::uint8_t UploadShift = 33;
inline constexpr std::uint8_t ResultShift = 67;

inline void ShiftBytes(std::string& bytes, int delta)
{
    const auto d = static_cast<std::uint8_t>(delta);
    for (char& c : bytes)
        c = static_cast<char>(static_cast<std::uint8_t>(static_cast<std::uint8_t>(c) + d));
}
} // namespace lirno::service
