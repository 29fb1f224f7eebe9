#include "lirnoModel.h"

#include <type_traits>

namespace lirno
{
using host::EPropertyType;
using host::FPropertyInfo;
using host::FStructInfo;

namespace
{
template <class M> constexpr EPropertyType PropertyTypeOf()
{
    if constexpr (std::is_same_v<M, std::int32_t>)
        return EPropertyType::Int32;
    else if constexpr (std::is_same_v<M, double>)
        return EPropertyType::Double;
    else if constexpr (std::is_same_v<M, std::string>)
        return EPropertyType::String;
    else
    {
        static_assert(std::is_same_v<M, std::vector<std::int32_t>>, "a task record member of a new type");
        return EPropertyType::Int32Array;
    }
}

// A task record member as a property of the reflected record that inherits it.
template <class M> FPropertyInfo TaskProperty(const char* name, M protocol::FTaskRecord::*member)
{
    return FPropertyInfo::Make<FTask_Status, M>(name, member, PropertyTypeOf<M>());
}
} // namespace

const host::FEnumInfo& StaticEnumTranslatorType()
{
    static const host::FEnumInfo info{ScriptPackage,
                                      "ETranslatorType",
                                      {{0, "Auto", "Auto"},
                                       {1, "Microsoft", "Microsoft"},
                                       {2, "Google", "Google"},
                                       {3, "DeepL", "DeepL"},
                                       {4, "AWS", "AWS"}}};
    return info;
}

const FStructInfo& FHttp_Response::StaticStruct()
{
    static const FStructInfo info = []
    {
        FStructInfo s = MakeRecordInfo<FHttp_Response>("Http_Response");
        s.Properties = {FPropertyInfo::Make("StatusCode", &FHttp_Response::StatusCode, EPropertyType::Int32),
                        FPropertyInfo::Make("Content", &FHttp_Response::Content, EPropertyType::String)};
        return s;
    }();
    return info;
}

const FStructInfo& FTask_Status::StaticStruct()
{
    static const FStructInfo info = []
    {
        FStructInfo s = MakeRecordInfo<FTask_Status>("Task_Status");
        protocol::ForEachTaskField([&s](const char* name, auto member)
                                   { s.Properties.push_back(TaskProperty(name, member)); });
        return s;
    }();
    return info;
}

const FStructInfo& FAPI_Response_TaskStatus::StaticStruct()
{
    static const FStructInfo info = []
    {
        using T = FAPI_Response_TaskStatus;
        FStructInfo s = MakeRecordInfo<T>("API_Response_TaskStatus");
        FPropertyInfo content =
            FPropertyInfo::Make(protocol::Field::Content, &T::Content, EPropertyType::Struct);
        content.Struct = &FTask_Status::StaticStruct();
        s.Properties = {FPropertyInfo::Make(protocol::Field::Status, &T::Status, EPropertyType::Int32),
                        FPropertyInfo::Make(protocol::Field::Msg, &T::Msg, EPropertyType::String),
                        std::move(content)};
        return s;
    }();
    return info;
}
} // namespace lirno
