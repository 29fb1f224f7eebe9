// External attributes of an item: DOS attribute bits in the low byte and, for items made on a
// Unix host, the file mode in the high 16 bits.
#pragma once

#include <cstdint>

namespace zipengine::attribute
{
inline constexpr std::uint32_t ReadOnly = 0x01;
inline constexpr std::uint32_t Hidden = 0x02;
inline constexpr std::uint32_t System = 0x04;
inline constexpr std::uint32_t Directory = 0x10;
inline constexpr std::uint32_t Archive = 0x20;
inline constexpr std::uint32_t DosBits = ReadOnly | Hidden | System | Directory | Archive;

inline constexpr std::uint32_t UnixRegular = 0100000u << 16;
inline constexpr std::uint32_t UnixDirectory = 0040000u << 16;
inline constexpr std::uint32_t UnixOwnerRead = 0400u << 16;
inline constexpr std::uint32_t UnixOwnerWrite = 0200u << 16;
inline constexpr std::uint32_t UnixOwnerExecute = 0100u << 16;
} // namespace zipengine::attribute
