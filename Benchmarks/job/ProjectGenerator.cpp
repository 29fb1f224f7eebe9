#include "ProjectGenerator.h"

#include <cstdint>
#include <filesystem>
#include <fstream>

namespace jobbench
{
namespace
{
namespace fs = std::filesystem;

const char* const Words[] = {
    "village", "sword",   "dragon", "gold",   "quest", "shadow", "river",  "castle", "merchant", "ancient",
    "forest",  "brave",   "potion", "shield", "north", "storm",  "silver", "hidden", "the",      "a",
    "of",      "to",      "and",    "with",   "your",  "our",    "find",   "bring",  "open",     "return",
    "defeat",  "collect", "before", "night",  "falls", "key",    "door",   "tower",  "guard",    "map"};
const char* const Placeholders[] = {"{0}", "{PlayerName}", "{ItemCount}"};

// A small deterministic generator: the same shape always gives the same project.
struct Random
{
    std::uint32_t state;
    std::uint32_t Next()
    {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
};

std::string Sentence(Random& random)
{
    std::string text;
    const int words = 8 + static_cast<int>(random.Next() % 14);
    bool bold = false;
    for (int i = 0; i < words; ++i)
    {
        if (!text.empty())
            text += ' ';
        const std::uint32_t roll = random.Next() % 20;
        if (roll == 0)
            text += Placeholders[random.Next() % 3];
        else if (roll == 1 && !bold)
        {
            text += "<b>";
            bold = true;
        }
        text += Words[random.Next() % (sizeof Words / sizeof *Words)];
        if (roll == 2 && bold)
        {
            text += "</b>";
            bold = false;
        }
    }
    if (bold)
        text += "</b>";
    text[0] = static_cast<char>(text[0] >= 'a' && text[0] <= 'z' ? text[0] - 'a' + 'A' : text[0]);
    return text + ".";
}

bool WriteText(const fs::path& path, const std::string& text, std::string& error)
{
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out)
        error = "cannot write " + path.string();
    return static_cast<bool>(out);
}

std::string CsvField(const std::string& text)
{
    std::string out = "\"";
    for (const char c : text)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}
} // namespace

bool GenerateProject(const std::string& folder, const ProjectShape& shape, std::string& error)
{
    const fs::path root(folder);
    std::string editor_ini = "[Localization]\n";
    for (const std::string& target : shape.targets)
        editor_ini += "Target=" + target + "\n";
    for (const std::string& target : shape.targets)
    {
        editor_ini += "\n[Localization." + target + "]\nNativeCultureIndex=0\n";
        for (const std::string& culture : shape.cultures)
            editor_ini += "Culture=" + culture + "\n";
        editor_ini += "StringTables=Content/StringTables/" + target + "\n";
    }
    if (!WriteText(root / "Bench.project", "{\n\t\"FileVersion\": 1,\n\t\"Name\": \"Bench\"\n}\n", error) ||
        !WriteText(
            root / "Config/DefaultGame.ini",
            "[/Script/EngineSettings.GeneralProjectSettings]\nProjectID=BENCH-0001\nProjectName=Bench\n",
            error) ||
        !WriteText(root / "Config/DefaultEditor.ini", editor_ini, error))
        return false;

    Random random{12345};
    for (const std::string& target : shape.targets)
    {
        // Several string tables per target, as a real project splits its texts.
        constexpr int Tables = 5;
        for (int table = 0; table < Tables; ++table)
        {
            std::string csv = "Namespace,Key,Source\n";
            for (int i = table; i < shape.texts_per_target; i += Tables)
                csv += target + "Table" + std::to_string(table) + ",Text_" + std::to_string(i) + "," +
                       CsvField(Sentence(random)) + "\n";
            if (!WriteText(root / "Content/StringTables" / target /
                               ("Table" + std::to_string(table) + ".csv"),
                           csv, error))
                return false;
        }
    }
    return true;
}
} // namespace jobbench
