#include "Json.h"

#include "JsonDocument.h"
#include "Log.h"
#include "RecordJson.h"
#include "StringUtil.h"

#include <cmath>
#include <exception>
#include <limits>

namespace host
{
namespace
{
using Json = nlohmann::ordered_json;

enum class EReadResult
{
    Ok,
    NotAnObject,
    ValueDoesNotFit,
};

Json RecordToJsonValue(const FStructInfo& type, const void* record);

Json FieldToJson(const FPropertyInfo& property, const void* field)
{
    switch (property.Type)
    {
    case EPropertyType::Int32:
    case EPropertyType::Enum:
        return *static_cast<const std::int32_t*>(field);
    case EPropertyType::Double:
        return *static_cast<const double*>(field);
    case EPropertyType::Bool:
        return *static_cast<const bool*>(field);
    case EPropertyType::String:
        return *static_cast<const std::string*>(field);
    case EPropertyType::Int32Array:
    {
        Json array = Json::array();
        for (const std::int32_t v : *static_cast<const std::vector<std::int32_t>*>(field))
        {
            array.push_back(v);
        }
        return array;
    }
    case EPropertyType::Struct:
        return property.Struct ? RecordToJsonValue(*property.Struct, field) : Json::object();
    }
    return nullptr;
}

Json RecordToJsonValue(const FStructInfo& type, const void* record)
{
    Json object = Json::object();
    for (const auto& property : type.Properties)
    {
        object[property.Name] = FieldToJson(property, property.Get(record));
    }
    return object;
}

bool JsonToInt32(const Json& value, std::int32_t& out)
{
    if (value.is_number_integer())
    {
        // Signed and unsigned storage both compare safely through their own types.
        if (value.is_number_unsigned())
        {
            const auto v = value.get<std::uint64_t>();
            if (v > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()))
            {
                return false;
            }
            out = static_cast<std::int32_t>(v);
            return true;
        }
        const auto v = value.get<std::int64_t>();
        if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max())
        {
            return false;
        }
        out = static_cast<std::int32_t>(v);
        return true;
    }
    if (value.is_number_float())
    {
        // "3.0" is an integer written by a lenient writer; "3.5" does not fit.
        const double v = value.get<double>();
        if (std::trunc(v) != v || v < std::numeric_limits<std::int32_t>::min() ||
            v > std::numeric_limits<std::int32_t>::max())
        {
            return false;
        }
        out = static_cast<std::int32_t>(v);
        return true;
    }
    return false;
}

EReadResult FillRecord(Json& object, const FStructInfo& type, void* record, std::string& reason);

// What a field takes and what a value is, for the reason a read failed.
const char* Expected(EPropertyType type)
{
    switch (type)
    {
    case EPropertyType::Int32:
    case EPropertyType::Enum:
        return "a whole number within 32 bits";
    case EPropertyType::Double:
        return "a number";
    case EPropertyType::Bool:
        return "true or false";
    case EPropertyType::String:
        return "a string";
    case EPropertyType::Int32Array:
        return "an array of whole numbers within 32 bits";
    case EPropertyType::Struct:
        return "an object";
    }
    return "another value";
}

std::string Found(const Json& value)
{
    // A number is shown (it is short); anything else by its kind, so no text is quoted twice.
    if (value.is_number())
    {
        return value.dump();
    }
    const std::string kind = value.type_name();
    return value.is_null() ? kind : (value.is_array() || value.is_object() ? "an " : "a ") + kind;
}

// Fills one field; the field is untouched unless the whole value fits. Text is moved out of the
// parsed document, which is thrown away afterwards: a translated package is megabytes of it.
bool FillValue(Json& value, const FPropertyInfo& property, void* field, std::string& reason)
{
    switch (property.Type)
    {
    case EPropertyType::Int32:
    case EPropertyType::Enum:
        return JsonToInt32(value, *static_cast<std::int32_t*>(field));
    case EPropertyType::Double:
        if (!value.is_number())
        {
            return false;
        }
        *static_cast<double*>(field) = value.get<double>();
        return true;
    case EPropertyType::Bool:
        if (!value.is_boolean())
        {
            return false;
        }
        *static_cast<bool*>(field) = value.get<bool>();
        return true;
    case EPropertyType::String:
        if (!value.is_string())
        {
            return false;
        }
        *static_cast<std::string*>(field) = std::move(value.get_ref<std::string&>());
        return true;
    case EPropertyType::Int32Array:
    {
        if (!value.is_array())
        {
            return false;
        }
        std::vector<std::int32_t> values;
        values.reserve(value.size());
        for (const auto& element : value)
        {
            std::int32_t v = 0;
            if (!JsonToInt32(element, v))
            {
                reason = "element " + std::to_string(values.size()) + " is " + Found(element) + ", not " +
                         Expected(EPropertyType::Int32);
                return false;
            }
            values.push_back(v);
        }
        *static_cast<std::vector<std::int32_t>*>(field) = std::move(values);
        return true;
    }
    case EPropertyType::Struct:
        // A nested record keeps what it filled before a failing member, like the outer one.
        return property.Struct && FillRecord(value, *property.Struct, field, reason) == EReadResult::Ok;
    }
    return false;
}

// As FillValue; a failure names the member ("member Content.Ids: element 2 is ...").
bool FillField(Json& value, const FPropertyInfo& property, void* field, std::string& reason)
{
    std::string inner;
    if (FillValue(value, property, field, inner))
    {
        return true;
    }
    constexpr std::string_view Member = "member ";
    if (inner.empty())
    {
        reason = std::string(Member) + property.Name + ": expected " + Expected(property.Type) + ", found " +
                 Found(value);
    }
    else if (inner.starts_with(Member))
    {
        reason = std::string(Member) + property.Name + "." + inner.substr(Member.size());
    }
    else
    {
        reason = std::string(Member) + property.Name + ": " + inner;
    }
    return false;
}

Json* FindMember(Json& object, const std::string& name)
{
    if (const auto it = object.find(name); it != object.end())
    {
        return &*it;
    }
    for (auto&& [key, value] : object.items())
    {
        if (EqualsIgnoreCase(key, name))
        {
            return &value;
        }
    }
    return nullptr;
}

EReadResult FillRecord(Json& object, const FStructInfo& type, void* record, std::string& reason)
{
    if (!object.is_object())
    {
        return EReadResult::NotAnObject;
    }
    for (const auto& property : type.Properties)
    {
        Json* member = FindMember(object, property.Name);
        if (member && !FillField(*member, property, property.Address(record), reason))
        {
            return EReadResult::ValueDoesNotFit;
        }
    }
    return EReadResult::Ok;
}

// `reason` says what was wrong when the result is not Ok.
EReadResult ReadRecord(std::string_view text, const FStructInfo& type, void* record, std::string& reason)
{
    std::optional<Json> parsed = ParseJsonDocument(text, &reason);
    if (!parsed)
    {
        return EReadResult::NotAnObject;
    }
    if (!parsed->is_object())
    {
        reason = "the document is " + Found(*parsed) + ", not an object";
        return EReadResult::NotAnObject;
    }
    try
    {
        return FillRecord(*parsed, type, record, reason);
    }
    catch (const std::exception&)
    {
        // A value that cannot be held (a huge number array) does not fit its field.
        reason = "a value too large to hold";
        return EReadResult::ValueDoesNotFit;
    }
}

// A service's answer quoted in a log line: enough to recognise it, never megabytes of it.
std::string QuoteForLog(std::string_view text)
{
    constexpr std::size_t MaxQuoted = 300;
    if (text.size() <= MaxQuoted)
    {
        return std::string(text);
    }
    std::size_t cut = MaxQuoted;
    // Cut before a character, not inside one, so the quote stays UTF-8.
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
    {
        --cut;
    }
    return std::string(text.substr(0, cut)) + "... (" + std::to_string(text.size()) + " bytes)";
}

std::string Dump(const Json& value, int indent)
{
    // Invalid UTF-8 in a string field must not abort the writer; it becomes U+FFFD.
    return value.dump(indent, '\t', false, Json::error_handler_t::replace);
}
} // namespace

std::string WriteJsonCompact(const FStructInfo& type, const void* record)
{
    return Dump(RecordToJsonValue(type, record), -1);
}

bool ReadJsonQuiet(std::string_view json, const FStructInfo& type, void* record)
{
    std::string reason;
    return ReadRecord(json, type, record, reason) == EReadResult::Ok;
}

std::string WriteJsonPretty(const nlohmann::ordered_json& value)
{
    return Dump(value, 1);
}

std::string RecordToJsonString(const FStructInfo& type, const void* record)
{
    return WriteJsonPretty(RecordToJsonValue(type, record));
}

bool JsonStringToRecord(std::string_view json, const FStructInfo& type, void* record)
{
    // The reason follows the quote on the same line: one warning per failed answer.
    std::string reason;
    switch (ReadRecord(json, type, record, reason))
    {
    case EReadResult::Ok:
        return true;
    case EReadResult::NotAnObject:
        Log(LogJson, EVerbosity::Warning,
            "JsonObjectStringToUStruct - Unable to parse json=[" + QuoteForLog(json) + "]: " + QuoteForLog(reason));
        return false;
    case EReadResult::ValueDoesNotFit:
        Log(LogJson, EVerbosity::Warning,
            "JsonObjectStringToUStruct - Unable to deserialize. json=[" + QuoteForLog(json) + "]: " +
                QuoteForLog(reason));
        return false;
    }
    return false;
}
} // namespace host
