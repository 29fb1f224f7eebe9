// Conversion between reflected records and JSON text, and the pretty writer.
//
// Writing: one member per field in field order, named exactly as the field; numbers, strings
// with standard escapes (never null), arrays, nested objects; pretty form with tab indentation.
// Reading: the text must be one JSON object, else the record is unchanged, a warning
// "JsonObjectStringToUStruct - Unable to parse json=[TEXT]" goes to LogJson and the result is
// false (a TEXT over 300 bytes is quoted by its start and "... (N bytes)"). Bytes that are not
// UTF-8 read as U+FFFD; text nested deeper than 512 levels or holding over 2^20 values does
// not parse. Members are matched to fields by name without regard to letter case; absent members
// keep the field's value, unknown members are ignored. A value that does not fit its field logs
// "JsonObjectStringToUStruct - Unable to deserialize. json=[TEXT]" and returns false; fields
// filled before it keep their new values.
#pragma once

#include "HostApi.h"
#include "Reflection.h"

#include <nlohmann/json.hpp>

#include <string>
#include <string_view>

namespace host
{
HOST_API std::string RecordToJsonString(const FStructInfo& type, const void* record);
HOST_API bool JsonStringToRecord(std::string_view json, const FStructInfo& type, void* record);

// Pretty form: one member per line, tab indentation.
HOST_API std::string WriteJsonPretty(const nlohmann::ordered_json& value);

template <class T> std::string RecordToJson(const T& record)
{
    return RecordToJsonString(T::StaticStruct(), &record);
}
template <class T> bool JsonToRecord(std::string_view json, T& record)
{
    return JsonStringToRecord(json, T::StaticStruct(), &record);
}
} // namespace host
