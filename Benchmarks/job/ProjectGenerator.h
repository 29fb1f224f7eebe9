// Writes a game project whose string tables gather into localization files of a chosen size:
// several targets, a dozen cultures, thousands of texts with placeholders and markup.
#pragma once

#include <string>
#include <vector>

namespace jobbench
{
struct ProjectShape
{
    std::vector<std::string> targets = {"Game", "Menus", "Dialogue", "Items"};
    std::vector<std::string> cultures = {"en", "de", "fr", "es", "it", "pt", "ca",
                                         "ja", "ko", "zh", "ru", "pl", "nl"};
    int texts_per_target = 5000;
};

// False with a message when a file cannot be written.
bool GenerateProject(const std::string& folder, const ProjectShape& shape, std::string& error);
} // namespace jobbench
