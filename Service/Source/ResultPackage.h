// Builds the package a finished task returns: a zip archive without password holding the
// translated archives under the names they were uploaded with, every byte shifted by +67,
// as base64.
#pragma once

#include "PackageEntry.h"

#include <optional>
#include <string>
#include <vector>

namespace lirno::service
{
// The plain zip archive; empty optional when the zip engine refuses (a name too long, say).
std::optional<std::string> WriteZip(const std::vector<PackageEntry>& entries, std::string& error);

std::optional<std::string> MakeResultPackage(const std::vector<PackageEntry>& entries, std::string& error);
} // namespace lirno::service
