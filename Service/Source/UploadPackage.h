// Opens what the plug-in uploads: its bytes shifted back, then the zip archive inside read
// with the shared password prefix and the job number.
#pragma once

#include "PackageEntry.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lirno::service
{
std::string UploadPassword(std::string_view job_number);

// Every file entry of the upload, in archive order. Fails with a message for the user when
// the bytes are not a shifted zip archive, the password does not open it, or it would unpack
// to more than `max_unpacked` bytes.
std::optional<std::vector<PackageEntry>> OpenUpload(std::string shifted_bytes, std::string_view password,
                                                    std::uint64_t max_unpacked, std::string& error);
} // namespace lirno::service
