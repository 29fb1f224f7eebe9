#pragma once

#include <string>

namespace lirno::service
{
// One file of a package: its name inside the archive ("Game/de/Game.archive") and its bytes.
struct PackageEntry
{
    std::string name;
    std::string bytes;
};
} // namespace lirno::service
