// Builds translation packages the way the plug-in does (password zip, +33 shift) and reads
// result packages back, for the service tests.
#pragma once

#include "PackageEntry.h"

#include <LocFormat/TextFiles.h>
#include <httplib.h>
#include <string>
#include <vector>

namespace lirno::service::test
{
// A manifest with the given source texts (namespace "UI", keys "K0", "K1", ...).
std::string ManifestJson(const std::string& target, const std::string& native,
                         const std::vector<std::string>& sources);
// An archive for the same keys; `translations` may be shorter than `sources` (the rest empty).
std::string ArchiveJson(const std::string& target, const std::string& culture,
                        const std::vector<std::string>& sources,
                        const std::vector<std::string>& translations = {});

std::string ZipBytes(const std::vector<PackageEntry>& entries, const char* password);
// The upload body: zip with the shared prefix plus the job number, every byte +33.
std::string UploadBody(const std::vector<PackageEntry>& entries, const std::string& job_number);
// The entries of a result package (base64, +67, no password); empty when it does not open.
std::vector<PackageEntry> ReadResultPackage(const std::string& file_b64);

// A two-target project: Game (en, de, es) and Menus (en, fr), de partly translated.
std::vector<PackageEntry> SampleUpload();
std::string NativeLangHeader(); // base64 of {"Game":"en","Menus":"en"}

// The headers the plug-in sends with every request, for the sample upload's targets.
httplib::Headers PluginHeaders(const std::string& key, const std::string& rnd = "77",
                               const std::string& translate_all = "false");

locformat::FArchive ParseArchiveOrFail(const PackageEntry& entry);
} // namespace lirno::service::test
