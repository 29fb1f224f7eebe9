// The compiled per-culture resource that a game loads at run time: every text of a target in
// one culture, the translation where there is one and the source text otherwise.
//
// Binary, little-endian: the 8 bytes "LIRNOTXT", u32 format version (1), a string with the
// culture name, u32 text count, then per text: namespace, key and text as strings, and the u32
// FNV-1a hash of the source text the entry was compiled from (so a game can tell stale
// translations). A string is a u32 byte length followed by that many UTF-8 bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace locformat
{
inline constexpr std::uint32_t CompiledResourceFormatVersion = 1;

struct FCompiledText
{
    std::string Namespace;
    std::string Key;
    std::string Text;
    std::uint32_t SourceHash = 0;
};

struct FCompiledResource
{
    std::string Culture;
    std::vector<FCompiledText> Texts;
};

// 32-bit FNV-1a of the text's bytes.
std::uint32_t HashSourceText(std::string_view text);

std::string SerializeCompiledResource(const FCompiledResource& resource);
// Fails, naming `name`, on a wrong magic or version, truncation or trailing bytes.
bool ParseCompiledResource(std::string_view bytes, const std::string& name, FCompiledResource& resource,
                           std::string& error);

bool ReadCompiledResource(const std::string& path, FCompiledResource& resource, std::string& error);
bool WriteCompiledResource(const std::string& path, const FCompiledResource& resource, std::string& error);
} // namespace locformat
