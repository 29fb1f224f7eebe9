#include "LocalizationSettings.h"

#include "Config.h"
#include "LocalizationConfigKeys.h"
#include "Log.h"

#include <charconv>
#include <limits>

namespace host
{
namespace
{
std::int32_t ParseIndex(const std::optional<std::string>& text)
{
    long long value = -1;
    if (!text)
    {
        return -1;
    }
    const char* end = text->data() + text->size();
    const auto [ptr, ec] = std::from_chars(text->data(), end, value);
    if (ec != std::errc{} || ptr != end || value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max())
    {
        return -1;
    }
    return static_cast<std::int32_t>(value);
}
} // namespace

std::string DefaultStringTables(const std::string& targetName)
{
    return std::string(locconfig::StringTablesFolder) + "/" + targetName;
}

std::vector<FTargetSettings> ParseTargetSettings(const std::string& iniText, const std::string& fileName)
{
    const FIniDocument document = FIniDocument::Parse(iniText);
    std::vector<FTargetSettings> targets;
    for (const std::string& name : document.GetAll(locconfig::TargetListSection, locconfig::TargetListKey))
    {
        if (!locconfig::IsPlainFileName(name))
        {
            Log(LogGeneral, EVerbosity::Error,
                fileName + ": localization target \"" + name + "\" is not a usable name and is left out");
            continue;
        }
        const std::string section = locconfig::TargetSectionPrefix + name;
        auto target = std::make_shared<FLocalizationTarget>();
        target->Name = name;
        target->NativeCultureIndex = ParseIndex(document.Get(section, locconfig::NativeCultureIndexKey));
        target->SupportedCultures = document.GetAll(section, locconfig::CultureKey);
        targets.push_back({std::move(target), document.GetAll(section, locconfig::StringTablesKey)});
    }
    return targets;
}
} // namespace host
