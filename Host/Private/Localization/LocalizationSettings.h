// The localization target set of the project or the engine, read from its DefaultEditor.ini:
//
//   [Localization]
//   Target=Game
//   Target=Menus
//   [Localization.Game]
//   NativeCultureIndex=0
//   Culture=en
//   Culture=es
//   StringTables=Content/StringTables/Game
#pragma once

#include "Localization.h"

#include <string>
#include <vector>

namespace host
{
struct FTargetSettings
{
    FLocalizationTargetRef Target;
    std::vector<std::string> StringTables; // relative to the project (or engine) folder
};

// Targets in listed order. The native culture index and the cultures are kept exactly as
// configured (a missing or non-numeric index reads as -1); names that are not plain file names
// are left out with an error in the log. A missing file gives an empty set.
std::vector<FTargetSettings> ParseTargetSettings(const std::string& iniText, const std::string& fileName);

// The string tables a target gathers from when its settings name none.
std::string DefaultStringTables(const std::string& targetName);
} // namespace host
