// Registers the plug-in's reflected types with the host while the library is loaded, so that
// the settings page and the JSON converter find them under "/Script/lirno".
#include "lirnoModel.h"
#include "lirnoSetting.h"

namespace lirno
{
namespace
{
struct FTypeRegistration
{
    FTypeRegistration()
    {
        host::RegisterEnum(StaticEnumTranslatorType());
        host::RegisterStruct(FHttp_Response::StaticStruct());
        host::RegisterStruct(FTask_Status::StaticStruct());
        host::RegisterStruct(FAPI_Response_TaskStatus::StaticStruct());
        host::RegisterStruct(UlirnoSetting::StaticStruct());
    }
    ~FTypeRegistration()
    {
        host::UnregisterStruct(UlirnoSetting::StaticStruct());
        host::UnregisterStruct(FAPI_Response_TaskStatus::StaticStruct());
        host::UnregisterStruct(FTask_Status::StaticStruct());
        host::UnregisterStruct(FHttp_Response::StaticStruct());
        host::UnregisterEnum(StaticEnumTranslatorType());
    }
    FTypeRegistration(const FTypeRegistration&) = delete;
    FTypeRegistration& operator=(const FTypeRegistration&) = delete;
};

const FTypeRegistration Registration;
} // namespace
} // namespace lirno
