// The three commands; each returns the process exit code (0 all Ok, 1 a failure).
#pragma once

#include <string>
#include <vector>

namespace ziptool
{
int create_archive(const std::string& archive, const std::string* password,
                   const std::vector<std::string>& items);
int list_archive(const std::string& archive);
int extract_archive(const std::string& archive, const std::string& folder, const std::string* password);

// NAME=PATH is a file, NAME/ a folder; anything else is a usage error.
struct ItemArgument
{
    std::string name;
    std::string path;
    bool folder = false;
};
bool parse_item(const std::string& text, ItemArgument& item);
} // namespace ziptool
