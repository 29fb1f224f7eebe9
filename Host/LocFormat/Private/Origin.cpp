#include "LocFormat/Origin.h"

#include <algorithm>
#include <nlohmann/json.hpp>

namespace locformat
{
namespace
{
auto FindOrigin(auto& fields)
{
    return std::find_if(fields.begin(), fields.end(),
                        [](const auto& field) { return field.first == OriginMember; });
}
} // namespace

std::string GetOrigin(const FArchiveEntry& entry)
{
    const auto found = FindOrigin(entry.OtherFields);
    if (found == entry.OtherFields.end())
        return {};
    const auto value = nlohmann::json::parse(found->second, nullptr, false);
    return value.is_string() ? value.get<std::string>() : std::string();
}

ETranslationOrigin GetOriginKind(const FArchiveEntry& entry)
{
    const std::string origin = GetOrigin(entry);
    if (origin == OriginPseudo)
        return ETranslationOrigin::Pseudo;
    if (origin == OriginMachine ||
        (origin.starts_with(OriginMachine) && origin.size() > OriginMachine.size() &&
         origin[OriginMachine.size()] == ':'))
        return ETranslationOrigin::Machine;
    return ETranslationOrigin::Human;
}

void SetOrigin(FArchiveEntry& entry, std::string_view origin)
{
    const auto found = FindOrigin(entry.OtherFields);
    if (origin.empty())
    {
        if (found != entry.OtherFields.end())
            entry.OtherFields.erase(found);
        return;
    }
    std::string text = nlohmann::json(std::string(origin)).dump();
    if (found != entry.OtherFields.end())
        found->second = std::move(text);
    else
        entry.OtherFields.emplace_back(std::string(OriginMember), std::move(text));
}

std::string MachineOrigin(std::string_view provider)
{
    std::string origin(OriginMachine);
    if (!provider.empty())
        origin.append(":").append(provider);
    return origin;
}
} // namespace locformat
