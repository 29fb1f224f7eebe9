// Project and engine locations, files and base64.
#pragma once

#include "HostApi.h"

#include <cstdint>
#include <memory>
#include <optional>
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

// Writes the file at exactly this path (no temporary name), creating missing parent folders,
// and flushes it to the storage device before returning: for staging files that a commit
// renames later.
HOST_API bool WriteAllDurably(const std::string& path, std::span<const std::uint8_t> bytes);
// Renames atomically, replacing `to`; flushes the folder of `to` so the rename survives a crash.
HOST_API bool Rename(const std::string& from, const std::string& to);
// True when the file could be opened for writing now (an absent file: when its folder could
// take it). Read-only files and folders, and locked files, are not writable.
HOST_API bool IsWritable(const std::string& path);
// Bytes free to this user on the file system holding `path` (or its nearest existing parent);
// nothing when that cannot be learned.
HOST_API std::optional<std::uint64_t> FreeSpace(const std::string& path);
// Regular files below `folder`, recursively, as paths starting with `folder`; empty when the
// folder does not exist.
HOST_API std::vector<std::string> ListFiles(const std::string& folder);
} // namespace File

// An exclusive lock on a file, held across processes until released; the kernel releases it
// when the process dies. The lock is not inherited by child processes.
class HOST_API FFileLock
{
public:
    // Takes the lock without waiting, creating the file (and its folder) when missing; nothing
    // when another holder has it or the file cannot be created (`error` says which).
    static std::unique_ptr<FFileLock> TryAcquire(const std::string& path, std::string& error);
    ~FFileLock();
    FFileLock(const FFileLock&) = delete;
    FFileLock& operator=(const FFileLock&) = delete;

private:
    explicit FFileLock(int descriptor) : Descriptor(descriptor) {}
    int Descriptor;
};

// RFC 4648, standard alphabet, "=" padding, no line breaks.
HOST_API std::string Base64Encode(std::span<const std::uint8_t> bytes);
HOST_API std::string Base64Encode(const std::string& text);
// Decodes as much as is valid; false when the text is not entirely valid base64.
HOST_API bool Base64Decode(const std::string& text, std::vector<std::uint8_t>& bytes);
// Decodes into the text's own storage (a large package needs no second buffer); on failure the
// text holds the bytes of the valid prefix.
HOST_API bool Base64DecodeInPlace(std::string& text);
} // namespace host
