#include "lirnoSetting.h"

#include "Host.h"

namespace lirno
{
namespace
{
host::FPropertyInfo ConfigProperty(host::FPropertyInfo property, std::string tooltip)
{
    property.Category = "Translate Setting";
    property.Tooltip = std::move(tooltip);
    property.Config = true;
    return property;
}
} // namespace

const host::FStructInfo& UlirnoSetting::StaticStruct()
{
    static const host::FStructInfo info = []
    {
        using host::EPropertyType;
        using host::FPropertyInfo;
        using T = UlirnoSetting;
        host::FStructInfo s = MakeRecordInfo<T>("lirnoSetting");
        s.ConfigName = "Engine";
        s.PerUserConfig = true;
        FPropertyInfo provider =
            FPropertyInfo::Make("TranslatorProvider", &T::TranslatorProvider, EPropertyType::Enum);
        provider.Enum = &StaticEnumTranslatorType();
        s.Properties = {
            ConfigProperty(FPropertyInfo::Make("Host", &T::Host, EPropertyType::String), ""),
            ConfigProperty(FPropertyInfo::Make("API_KEY", &T::API_KEY, EPropertyType::String),
                           "API subscription key"),
            ConfigProperty(std::move(provider), "Set translator"),
            ConfigProperty(FPropertyInfo::Make("TranslateAll", &T::TranslateAll, EPropertyType::Bool),
                           "Ignore existing translations and translate all again."),
            ConfigProperty(FPropertyInfo::Make("Auto_GatherText", &T::Auto_GatherText, EPropertyType::Bool),
                           "Automatically execute the command to collect text before translation."),
            ConfigProperty(FPropertyInfo::Make("Auto_CompileText", &T::Auto_CompileText, EPropertyType::Bool),
                           "Automatically execute the compile text command after translation."),
            ConfigProperty(
                FPropertyInfo::Make("Auto_GenerateWordCountReport", &T::Auto_GenerateWordCountReport,
                                    EPropertyType::Bool),
                "Automatically execute the command to generate a word count report after translation."),
            ConfigProperty(FPropertyInfo::Make("AutoCheckUpdate", &T::AutoCheckUpdate, EPropertyType::Bool),
                           ""),
        };
        return s;
    }();
    return info;
}

UlirnoSetting* UlirnoSetting::Get()
{
    return host::GetMutableDefault<UlirnoSetting>();
}
} // namespace lirno
