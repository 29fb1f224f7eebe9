#include "lirnoHttpClient.h"

#include "Host.h"
#include "Json.h"
#include "lirnoFileHelper.h"
#include "lirnoProtocol.h"
#include "lirnoSetting.h"

namespace lirno
{
namespace
{
// The version of the host editor the plug-in is built for, as the service expects it.
constexpr const char* EngineMajorVersion = "5";
constexpr const char* EngineMinorVersion = "4";
constexpr const char* EnginePatchVersion = "3";
constexpr const char* PluginVersion = LIRNO_VERSION; // the build's, equal to lirno.plugin's VersionName
constexpr const char* JsonContentType = "application/json; charset=UTF-8";

std::string NativeCulturesJson()
{
    nlohmann::ordered_json object = nlohmann::ordered_json::object();
    for (const auto& [target, culture] : lirnoFileHelper::GetNativeCultures())
    {
        object[target] = culture;
    }
    return host::WriteJsonPretty(object);
}

std::string ProjectId()
{
    const std::string path = host::Get().Paths().ProjectConfigDir() + "DefaultGame.ini";
    return host::ReadIniValue(path, "/Script/EngineSettings.GeneralProjectSettings", "ProjectID")
        .value_or("");
}
} // namespace

lirnoHttpClient::lirnoHttpClient()
    : State(std::make_shared<FState>()), Settings(UlirnoSetting::Get()), Http(host::Get().Http())
{
}

host::FHttpRequest lirnoHttpClient::BuildRequest(const UlirnoSetting& settings, const std::string& url,
                                                 std::vector<std::uint8_t> body, std::int32_t jobNumber)
{
    host::FHttpRequest request;
    request.Url = url;
    request.Headers = {
        {"User-Agent", "zq lirno"},
        {"Content-Type", JsonContentType},
        {"Accepts", JsonContentType},
        {protocol::Header::Authorization, settings.API_KEY},
        {protocol::Header::TranslateAll, settings.TranslateAll ? "true" : "false"},
        {"ProjectFilePath", host::Base64Encode(host::Get().Paths().ProjectFilePath())},
        {"ProjectID", ProjectId()},
        {protocol::Header::NativeLang, host::Base64Encode(NativeCulturesJson())},
        {protocol::Header::Version, PluginVersion},
        {protocol::Header::Rnd, std::to_string(jobNumber)},
        {protocol::Header::TranslatorType, std::to_string(static_cast<std::int32_t>(settings.TranslatorProvider))},
        {"ENGINE_MAJOR_VERSION", EngineMajorVersion},
        {"ENGINE_MINOR_VERSION", EngineMinorVersion},
        {"ENGINE_PATCH_VERSION", EnginePatchVersion},
    };
    request.Verb = "POST";
    request.Body = std::move(body);
    return request;
}

void lirnoHttpClient::SendRequest(const std::string& url, std::vector<std::uint8_t> body,
                                  std::int32_t jobNumber)
{
    Http.Send(BuildRequest(*Settings, url, std::move(body), jobNumber),
              [state = State, keepAlive = State->Owner.lock()](host::FHttpResponse response)
              {
                  state->Last = FHttp_Response{response.StatusCode, std::move(response.Body)};
                  if (state->Callback)
                  {
                      state->Callback();
                  }
              });
}

void lirnoHttpClient::PostText(const std::string& url, const std::string& text)
{
    SendRequest(url, std::vector<std::uint8_t>(text.begin(), text.end()), 0);
}

const FHttp_Response& lirnoHttpClient::LastResponse() const
{
    static const FHttp_Response None;
    return State->Last ? *State->Last : None;
}

void lirnoHttpClient::ParseTaskResponse(FAPI_Response_TaskStatus& envelope) const
{
    host::JsonToRecord(LastResponse().Content, envelope);
}
} // namespace lirno
