#include "Config.h"
#include "Paths.h"
#include "StringUtil.h"

namespace host
{
namespace
{
// A value survives a save and load unchanged only if line breaks, surrounding blanks and a
// leading quote are protected; such values are written quoted with backslash escapes.
bool NeedsQuoting(const std::string& value)
{
    if (value.empty())
    {
        return false;
    }
    return value.find_first_of("\r\n") != std::string::npos || value.front() == '"' || value.front() == ' ' ||
           value.front() == '\t' || value.back() == ' ' || value.back() == '\t';
}

std::string Quote(const std::string& value)
{
    std::string out = "\"";
    for (const char c : value)
    {
        switch (c)
        {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    return out + "\"";
}

std::string Unquote(std::string_view value)
{
    if (value.size() < 2 || value.front() != '"' || value.back() != '"')
    {
        return std::string(value);
    }
    value = value.substr(1, value.size() - 2);
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i)
    {
        if (value[i] != '\\' || i + 1 == value.size())
        {
            out += value[i];
            continue;
        }
        const char next = value[++i];
        switch (next)
        {
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case '"':
        case '\\':
            out += next;
            break;
        default:
            // Unknown escapes (Windows paths in hand-written files) stay as written.
            out += '\\';
            out += next;
        }
    }
    return out;
}

FIniDocument::FSection* FindSectionMutable(std::vector<FIniDocument::FSection>& sections,
                                           const std::string& name)
{
    for (auto& s : sections)
    {
        if (EqualsIgnoreCase(s.Name, name))
        {
            return &s;
        }
    }
    return nullptr;
}

FIniDocument::FSection& FindOrAddSection(std::vector<FIniDocument::FSection>& sections,
                                         const std::string& name)
{
    if (auto* s = FindSectionMutable(sections, name))
    {
        return *s;
    }
    sections.push_back({name, {}});
    return sections.back();
}
} // namespace

FIniDocument FIniDocument::Parse(const std::string& text)
{
    FIniDocument doc;
    FSection* current = nullptr;
    for (std::string_view line : Split(text, '\n'))
    {
        line = Trim(line);
        if (line.empty() || line.front() == ';' || line.front() == '#')
        {
            continue;
        }
        if (line.front() == '[' && line.back() == ']')
        {
            // A repeated section header continues the earlier section.
            current = &FindOrAddSection(doc.Sections, std::string(line.substr(1, line.size() - 2)));
            continue;
        }
        const std::size_t eq = line.find('=');
        if (!current || eq == std::string_view::npos)
        {
            continue; // lines outside any section, or without a value, carry nothing we can keep
        }
        current->Values.emplace_back(std::string(Trim(line.substr(0, eq))),
                                     Unquote(Trim(line.substr(eq + 1))));
    }
    return doc;
}

std::optional<FIniDocument> FIniDocument::Load(const std::string& path)
{
    std::string text;
    if (!File::ReadAllText(path, text))
    {
        return std::nullopt;
    }
    return Parse(text);
}

std::string FIniDocument::ToString() const
{
    std::string out;
    for (const auto& section : Sections)
    {
        if (!out.empty())
        {
            out += '\n';
        }
        out += "[" + section.Name + "]\n";
        for (const auto& [key, value] : section.Values)
        {
            out += key + "=" + (NeedsQuoting(value) ? Quote(value) : value) + "\n";
        }
    }
    return out;
}

bool FIniDocument::Save(const std::string& path) const
{
    return File::WriteAllText(path, ToString());
}

std::optional<std::string> FIniDocument::Get(const std::string& section, const std::string& key) const
{
    if (const FSection* s = FindSection(section))
    {
        for (const auto& [k, v] : s->Values)
        {
            if (EqualsIgnoreCase(k, key))
            {
                return v;
            }
        }
    }
    return std::nullopt;
}

void FIniDocument::Set(const std::string& section, const std::string& key, const std::string& value)
{
    FSection& s = FindOrAddSection(Sections, section);
    for (auto& [k, v] : s.Values)
    {
        if (EqualsIgnoreCase(k, key))
        {
            v = value;
            return;
        }
    }
    s.Values.emplace_back(key, value);
}

void FIniDocument::Add(const std::string& section, const std::string& key, const std::string& value)
{
    FindOrAddSection(Sections, section).Values.emplace_back(key, value);
}

std::vector<std::string> FIniDocument::GetAll(const std::string& section, const std::string& key) const
{
    std::vector<std::string> values;
    if (const FSection* s = FindSection(section))
    {
        for (const auto& [k, v] : s->Values)
        {
            if (EqualsIgnoreCase(k, key))
            {
                values.push_back(v);
            }
        }
    }
    return values;
}

const FIniDocument::FSection* FIniDocument::FindSection(const std::string& section) const
{
    for (const auto& s : Sections)
    {
        if (EqualsIgnoreCase(s.Name, section))
        {
            return &s;
        }
    }
    return nullptr;
}

std::optional<std::string> ReadIniValue(const std::string& path, const std::string& section,
                                        const std::string& key)
{
    const auto doc = FIniDocument::Load(path);
    return doc ? doc->Get(section, key) : std::nullopt;
}
} // namespace host
