// Project and engine locations, files and base64.
#pragma once

#include "HostApi.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace host
{
class IPaths
{
public:
    virtual ~IPaths() = default;
    // Absolute folders, each ending in "/".
    virtual std::string ProjectDir() const = 0;
    virtual std::string ProjectConfigDir() const = 0; // ProjectDir + "Config/"
    virtual std::string ProjectSavedDir() const = 0;  // ProjectDir + "Saved/"
    virtual std::string EngineDir() const = 0;        // the editor's own installation
    virtual std::string EngineConfigDir() const = 0;  // EngineDir + "Config/"
    // Absolute path of the project's project file.
    virtual std::string ProjectFilePath() const = 0;
};

// Relative paths are taken from the current folder; "." and ".." parts are collapsed.
HOST_API std::string ConvertToAbsolutePath(const std::string& path);

namespace File
{
// Whole-file reading; false (and an empty buffer) when the file cannot be read.
HOST_API bool ReadAll(const std::string& path, std::vector<std::uint8_t>& bytes);
HOST_API bool ReadAllText(const std::string& path, std::string& text);
// Writes the whole file, replacing it; creates missing parent folders.
HOST_API bool WriteAll(const std::string& path, std::span<const std::uint8_t> bytes);
HOST_API bool WriteAllText(const std::string& path, const std::string& text);
HOST_API bool Exists(const std::string& path);
HOST_API bool Delete(const std::string& path);
} // namespace File

// RFC 4648, standard alphabet, "=" padding, no line breaks.
HOST_API std::string Base64Encode(std::span<const std::uint8_t> bytes);
HOST_API std::string Base64Encode(const std::string& text);
// Decodes as much as is valid; false when the text is not entirely valid base64.
HOST_API bool Base64Decode(const std::string& text, std::vector<std::uint8_t>& bytes);
// Decodes into the text's own storage (a large package needs no second buffer); on failure the
// text holds the bytes of the valid prefix.
HOST_API bool Base64DecodeInPlace(std::string& text);
} // namespace host
