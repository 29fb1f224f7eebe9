#include "lirnoModel.h"

namespace lirno
{
using host::EPropertyType;
using host::FPropertyInfo;
using host::FStructInfo;

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
        using T = FTask_Status;
        FStructInfo s = MakeRecordInfo<T>("Task_Status");
        s.Properties = {
            FPropertyInfo::Make("TaskidList", &T::TaskidList, EPropertyType::Int32Array),
            FPropertyInfo::Make("CharCount", &T::CharCount, EPropertyType::Int32),
            FPropertyInfo::Make("UserID", &T::UserID, EPropertyType::Int32),
            FPropertyInfo::Make("CompletedCharCount", &T::CompletedCharCount, EPropertyType::Int32),
            FPropertyInfo::Make("UsedCharCount", &T::UsedCharCount, EPropertyType::Int32),
            FPropertyInfo::Make("UserTransLimit_LastCharCount", &T::UserTransLimit_LastCharCount,
                                EPropertyType::Int32),
            FPropertyInfo::Make("file_b64", &T::file_b64, EPropertyType::String),
            FPropertyInfo::Make("result_errormsg", &T::result_errormsg, EPropertyType::String),
            FPropertyInfo::Make("result_msg", &T::result_msg, EPropertyType::String),
            FPropertyInfo::Make("CompletionProgress", &T::CompletionProgress, EPropertyType::Double),
        };
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
        FPropertyInfo content = FPropertyInfo::Make("Content", &T::Content, EPropertyType::Struct);
        content.Struct = &FTask_Status::StaticStruct();
        s.Properties = {FPropertyInfo::Make("Status", &T::Status, EPropertyType::Int32),
                        FPropertyInfo::Make("Msg", &T::Msg, EPropertyType::String), std::move(content)};
        return s;
    }();
    return info;
}
} // namespace lirno
