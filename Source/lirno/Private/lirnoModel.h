// The records exchanged with the translation service and the translator enumeration. They are
// reflected so that the host's generic converter writes and reads their JSON form by field name.
#pragma once

#include "lirnoProtocol.h"
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

// The service's description of one task; sent back unchanged with every status request. The
// members are the protocol's; this adds their reflection.
struct FTask_Status : protocol::FTaskRecord
{
    static const host::FStructInfo& StaticStruct();
};

// The envelope of every service response.
struct FAPI_Response_TaskStatus
{
    std::int32_t Status = protocol::Status::Refused;
    std::string Msg;
    FTask_Status Content;

    static const host::FStructInfo& StaticStruct();
};
} // namespace lirno
