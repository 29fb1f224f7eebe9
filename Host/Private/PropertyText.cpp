#include "PropertyText.h"

#include "RecordJson.h"
#include "StringUtil.h"

#include <cstdint>
#include <vector>

namespace host
{
std::string PropertyToText(const FPropertyInfo& property, const void* object)
{
    const void* field = property.Get(object);
    switch (property.Type)
    {
    case EPropertyType::Int32:
        return std::to_string(*static_cast<const std::int32_t*>(field));
    case EPropertyType::Double:
        return FormatDouble(*static_cast<const double*>(field));
    case EPropertyType::Bool:
        return *static_cast<const bool*>(field) ? "true" : "false";
    case EPropertyType::String:
        return *static_cast<const std::string*>(field);
    case EPropertyType::Enum:
    {
        const auto value = *static_cast<const std::int32_t*>(field);
        const FEnumInfo::FValue* v = property.Enum ? property.Enum->FindByValue(value) : nullptr;
        return v ? v->DisplayName : std::to_string(value);
    }
    case EPropertyType::Int32Array:
    {
        std::string text = "(";
        const auto& values = *static_cast<const std::vector<std::int32_t>*>(field);
        for (std::size_t i = 0; i < values.size(); ++i)
        {
            if (i > 0)
            {
                text += ',';
            }
            text += std::to_string(values[i]);
        }
        return text + ")";
    }
    case EPropertyType::Struct:
        return property.Struct ? WriteJsonCompact(*property.Struct, field) : std::string();
    }
    return {};
}

bool PropertyFromText(const FPropertyInfo& property, void* object, const std::string& text)
{
    void* field = property.Address(object);
    switch (property.Type)
    {
    case EPropertyType::Int32:
        return ParseInt32(text, *static_cast<std::int32_t*>(field));
    case EPropertyType::Double:
        return ParseDouble(text, *static_cast<double*>(field));
    case EPropertyType::Bool:
        if (EqualsIgnoreCase(text, "true") || EqualsIgnoreCase(text, "false"))
        {
            *static_cast<bool*>(field) = EqualsIgnoreCase(text, "true");
            return true;
        }
        return false;
    case EPropertyType::String:
        *static_cast<std::string*>(field) = text;
        return true;
    case EPropertyType::Enum:
    {
        if (!property.Enum)
        {
            return ParseInt32(text, *static_cast<std::int32_t*>(field));
        }
        const FEnumInfo::FValue* v = property.Enum->FindByName(text);
        std::int32_t number = 0;
        if (!v && ParseInt32(text, number))
        {
            v = property.Enum->FindByValue(number);
        }
        if (!v)
        {
            return false;
        }
        *static_cast<std::int32_t*>(field) = v->Value;
        return true;
    }
    case EPropertyType::Int32Array:
    {
        std::string_view inner = Trim(text);
        if (inner.size() >= 2 && inner.front() == '(' && inner.back() == ')')
        {
            inner = inner.substr(1, inner.size() - 2);
        }
        std::vector<std::int32_t> values;
        if (!Trim(inner).empty())
        {
            for (const auto& part : Split(inner, ','))
            {
                std::int32_t v = 0;
                if (!ParseInt32(std::string(Trim(part)), v))
                {
                    return false;
                }
                values.push_back(v);
            }
        }
        *static_cast<std::vector<std::int32_t>*>(field) = std::move(values);
        return true;
    }
    case EPropertyType::Struct:
        return property.Struct && ReadJsonQuiet(text, *property.Struct, field);
    }
    return false;
}
} // namespace host
