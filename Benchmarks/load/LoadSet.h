// A generated localization set of a chosen size, packed as the plug-in uploads it: one target,
// a manifest, the native archive and untranslated archives for several cultures.
#pragma once

#include <cstddef>
#include <string>

namespace loadbench
{
struct LoadSet
{
    std::string upload;        // the request body: password zip, every byte shifted
    std::string natives;       // the "NativeLang" header (base64 JSON)
    std::size_t set_bytes = 0; // the manifest and archives before packing
    std::size_t texts = 0;     // texts to translate
};

// Deterministic for a size and job number. Empty upload (and `error` set) when packing fails.
LoadSet MakeLoadSet(std::size_t target_bytes, const std::string& job_number, std::string& error);
} // namespace loadbench
