#include "Commands.h"
#include "PropertyText.h"
#include "SettingValues.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>

namespace editor
{
namespace
{
std::string TypeName(const host::FPropertyInfo& property)
{
    switch (property.Type)
    {
    case host::EPropertyType::Int32:
        return "int32";
    case host::EPropertyType::Double:
        return "double";
    case host::EPropertyType::Bool:
        return "bool";
    case host::EPropertyType::String:
        return "string";
    case host::EPropertyType::Enum:
    {
        std::string text = "enum " + (property.Enum ? property.Enum->Name : std::string("?")) + " {";
        if (property.Enum)
        {
            for (std::size_t i = 0; i < property.Enum->Values.size(); ++i)
            {
                const auto& v = property.Enum->Values[i];
                if (i > 0)
                {
                    text += ", ";
                }
                text += v.DisplayName + "=" + std::to_string(v.Value);
            }
        }
        return text + "}";
    }
    case host::EPropertyType::Int32Array:
        return "int32 array";
    case host::EPropertyType::Struct:
        return "record " + (property.Struct ? property.Struct->Name : std::string("?"));
    }
    return "?";
}

// The value as listings show it: secrets masked.
std::string Shown(const host::FPropertyInfo& property, const void* object)
{
    const std::string text = host::PropertyToText(property, object);
    return IsSecretKey(property.Name) ? Masked(text) : text;
}

void PrintField(const host::FPropertyInfo& property, const void* object)
{
    std::printf("  %s (%s) = %s\n", property.Name.c_str(), TypeName(property).c_str(),
                Shown(property, object).c_str());
    if (!property.Category.empty())
    {
        std::printf("    category: %s\n", property.Category.c_str());
    }
    std::printf("    tooltip: %s\n", property.Tooltip.empty() ? "(none)" : property.Tooltip.c_str());
}

void PrintSection(const host::FSettingsSection& section, host::IConfig& config)
{
    std::printf("[%s]\n", section.Section.c_str());
    std::printf("  display name: %s\n", section.DisplayName.ToString().c_str());
    std::printf("  description: %s\n", section.Description.ToString().c_str());
    std::printf("  location: %s / %s\n", section.Container.c_str(), section.Category.c_str());
    if (!section.Type || !section.Object)
    {
        return;
    }
    if (!section.Type->ConfigName.empty())
    {
        std::printf("  saved in: %s [%s]\n", config.UserConfigPath(section.Type->ConfigName).c_str(),
                    host::ConfigSectionName(*section.Type).c_str());
    }
    for (const auto& property : section.Type->Properties)
    {
        PrintField(property, section.Object);
    }
}

// Parses the value into a scratch instance first, so a bad value changes nothing.
bool IsValidValue(const host::FStructInfo& type, const host::FPropertyInfo& property,
                  const std::string& value)
{
    if (!type.Construct || !type.Destroy)
    {
        return true; // checked by the real assignment, which leaves the field alone on failure
    }
    void* scratch = type.Construct();
    const bool ok = host::PropertyFromText(property, scratch, value);
    type.Destroy(scratch);
    return ok;
}

int SetValue(host::FEditorHost& host, const host::FSettingsSection& section,
             const host::FPropertyInfo& property, const std::string& value)
{
    if (!property.Config || section.Type->ConfigName.empty())
    {
        PrintError("the key " + property.Name + " of section " + section.Section +
                   " is not saved to configuration");
        return ExitUsage;
    }
    const bool secret = IsSecretKey(property.Name);
    if (const std::string why = CheckValue(property.Name, value); !why.empty())
    {
        PrintError(section.Section + " " + property.Name + ": " + why);
        return ExitUsage;
    }
    if (!IsValidValue(*section.Type, property, value) ||
        !host::PropertyFromText(property, section.Object, value))
    {
        PrintError("'" + (secret ? Masked(value) : value) + "' is not a valid value for " + section.Section + " " +
                   property.Name + " (" + TypeName(property) + ")");
        return ExitUsage;
    }
    if (!host.Config().SaveObject(*section.Type, section.Object))
    {
        PrintError("cannot save " + host.Config().UserConfigPath(section.Type->ConfigName));
        return ExitOtherEnd;
    }
    std::printf("%s.%s = %s\n", section.Section.c_str(), property.Name.c_str(),
                Shown(property, section.Object).c_str());
    std::printf("saved to %s\n", host.Config().UserConfigPath(section.Type->ConfigName).c_str());
    return ExitCompleted;
}
// One line without its line end, or nothing when there is none to read.
std::optional<std::string> FirstLine(std::istream& in)
{
    std::string line;
    if (!std::getline(in, line) && line.empty())
    {
        return std::nullopt;
    }
    if (!line.empty() && line.back() == '\r')
    {
        line.pop_back();
    }
    return line;
}

// The new value from where the command line said to take it; nothing (the error printed) when
// it cannot be had.
std::optional<std::string> NewValue(const FSettingsArguments& arguments, bool secret)
{
    if (arguments.FromEnv)
    {
        const char* value = std::getenv(arguments.FromEnv->c_str());
        if (!value)
        {
            PrintError("the environment variable " + *arguments.FromEnv + " is not set");
            return std::nullopt;
        }
        return std::string(value);
    }
    if (arguments.FromFile)
    {
        std::ifstream file(*arguments.FromFile);
        auto line = file ? FirstLine(file) : std::nullopt;
        if (!line)
        {
            PrintError("cannot read a value from " + *arguments.FromFile);
        }
        return line;
    }
    if (secret && *arguments.Value == "-")
    {
        auto line = FirstLine(std::cin);
        if (!line)
        {
            PrintError("no value on standard input");
        }
        return line;
    }
    if (secret)
    {
        // Still taken, but other users of the machine can read command lines.
        std::fflush(stdout);
        std::fprintf(stderr, "editor: warning: a secret on the command line is visible to other users of this "
                             "machine; give '-' to read it from standard input, or --from-env NAME\n");
    }
    return *arguments.Value;
}
} // namespace

int SettingsCommand(FSessionOptions options, const FSettingsArguments& arguments)
{
    auto session = OpenListingSession(std::move(options));
    if (!session)
    {
        return ExitUsage;
    }
    auto& host = session->Host();
    const auto& sections = host.Settings().All();
    if (!arguments.Section)
    {
        if (sections.empty())
        {
            std::printf("no settings sections registered\n");
        }
        for (const auto& section : sections)
        {
            PrintSection(*section, host.Config());
        }
        return ExitCompleted;
    }
    const auto section = host.Settings().FindSection(*arguments.Section);
    if (!section)
    {
        PrintError("no settings section named " + *arguments.Section);
        return ExitUsage;
    }
    if (!arguments.Key)
    {
        PrintSection(*section, host.Config());
        return ExitCompleted;
    }
    const host::FPropertyInfo* property =
        section->Type && section->Object ? section->Type->FindProperty(*arguments.Key) : nullptr;
    if (!property)
    {
        PrintError("the settings section " + section->Section + " has no key named " + *arguments.Key);
        return ExitUsage;
    }
    if (!arguments.Value && !arguments.FromEnv && !arguments.FromFile)
    {
        std::printf("%s\n", Shown(*property, section->Object).c_str());
        return ExitCompleted;
    }
    const auto value = NewValue(arguments, IsSecretKey(property->Name));
    if (!value)
    {
        return ExitUsage;
    }
    return SetValue(host, *section, *property, *value);
}
} // namespace editor
