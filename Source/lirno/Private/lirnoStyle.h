// The style set "lirnoStyle" with the command's 40x40 button icon.
#pragma once

#include <string>

namespace lirno
{
class lirnoStyle
{
public:
    // Creates and registers the set once; reloads textures whenever the UI runs.
    static void Initialize();
    static void Shutdown();
    static const std::string& GetStyleSetName();
};
} // namespace lirno
