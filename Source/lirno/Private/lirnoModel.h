// The records exchanged with the translation service and the translator enumeration. They are
// reflected so that the host's generic converter writes and reads their JSON form by field name.
#pragma once

#include "lirnoReflection.h"

#include <cstdint>
#include <string>
#include <vector>

namespace lirno
{
// The provider the service is asked to use; the numeric value travels to the service.
enum class ETranslatorType : std::int32_t
{
    Auto,
    Microsoft,
    Google,
    DeepL,
    AWS,
};
const host::FEnumInfo& StaticEnumTranslatorType();

// One finished HTTP exchange as the job sees it.
struct FHttp_Response
{
    std::int32_t StatusCode = 0;
    std::string Content;

    static const host::FStructInfo& StaticStruct();
};

// The service's description of one task; sent back unchanged with every status request.
struct FTask_Status
{
    std::vector<std::int32_t> TaskidList;
    std::int32_t CharCount = 0;
    std::int32_t UserID = 0;
    std::int32_t CompletedCharCount = 0;
    std::int32_t UsedCharCount = 0;
    std::int32_t UserTransLimit_LastCharCount = 0;
    std::string file_b64;
    std::string result_errormsg;
    std::string result_msg;
    double CompletionProgress = 0.0;

    static const host::FStructInfo& StaticStruct();
};

// The envelope of every service response.
struct FAPI_Response_TaskStatus
{
    std::int32_t Status = 0;
    std::string Msg;
    FTask_Status Content;

    static const host::FStructInfo& StaticStruct();
};
} // namespace lirno
