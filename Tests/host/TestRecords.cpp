#include "TestRecords.h"

namespace host::test
{
const FEnumInfo& ColourEnum()
{
    static const FEnumInfo info{"/Script/hosttest",
                                "EColour",
                                {{0, "Red", "Red"}, {1, "Green", "Green"}, {2, "DeepBlue", "Deep Blue"}}};
    return info;
}

const FStructInfo& FInner::StaticStruct()
{
    static const FStructInfo info = []
    {
        FStructInfo s;
        s.Package = "/Script/hosttest";
        s.Name = "Inner";
        s.Properties = {
            FPropertyInfo::Make("Ids", &FInner::Ids, EPropertyType::Int32Array),
            FPropertyInfo::Make("Count", &FInner::Count, EPropertyType::Int32),
            FPropertyInfo::Make("Text", &FInner::Text, EPropertyType::String),
            FPropertyInfo::Make("Fraction", &FInner::Fraction, EPropertyType::Double),
        };
        return s;
    }();
    return info;
}

const FStructInfo& FOuter::StaticStruct()
{
    static const FStructInfo info = []
    {
        FStructInfo s;
        s.Package = "/Script/hosttest";
        s.Name = "Outer";
        auto content = FPropertyInfo::Make("Content", &FOuter::Content, EPropertyType::Struct);
        content.Struct = &FInner::StaticStruct();
        s.Properties = {
            FPropertyInfo::Make("Status", &FOuter::Status, EPropertyType::Int32),
            FPropertyInfo::Make("Msg", &FOuter::Msg, EPropertyType::String),
            content,
        };
        return s;
    }();
    return info;
}

const FStructInfo& FTestSettings::StaticStruct()
{
    static const FStructInfo info = []
    {
        FStructInfo s;
        s.Package = "/Script/hosttest";
        s.Name = "TestSettings";
        s.ConfigName = "Engine";
        auto colour = FPropertyInfo::Make("Colour", &FTestSettings::Colour, EPropertyType::Enum);
        colour.Enum = &ColourEnum();
        colour.Tooltip = "Pick a colour";
        s.Properties = {
            FPropertyInfo::Make("Host", &FTestSettings::Host, EPropertyType::String),
            FPropertyInfo::Make("Key", &FTestSettings::Key, EPropertyType::String),
            colour,
            FPropertyInfo::Make("Enabled", &FTestSettings::Enabled, EPropertyType::Bool),
            FPropertyInfo::Make("Retries", &FTestSettings::Retries, EPropertyType::Int32),
            FPropertyInfo::Make("Ratio", &FTestSettings::Ratio, EPropertyType::Double),
        };
        for (auto& p : s.Properties)
        {
            p.Config = true;
            p.Category = "Test";
        }
        s.Construct = [] { return static_cast<void*>(new FTestSettings); };
        s.Destroy = [](void* p) { delete static_cast<FTestSettings*>(p); };
        return s;
    }();
    return info;
}
} // namespace host::test
