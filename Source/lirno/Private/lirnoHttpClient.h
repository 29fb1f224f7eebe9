// Sends one kind of request to the translation service and keeps the last response. Every
// request is a POST carrying the fourteen headers that describe project, settings and client.
#pragma once

#include "Http.h"
#include "lirnoModel.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace lirno
{
class UlirnoSetting;

class lirnoHttpClient
{
public:
    lirnoHttpClient();

    // The owner is held weakly by the binding; a request sent while bound keeps its owner
    // alive until the completion has run, so no completion ever reaches a freed owner.
    template <class T> void BindCompletion(const std::shared_ptr<T>& owner, void (T::*handler)())
    {
        State->Owner = owner;
        State->Callback = [weak = std::weak_ptr<T>(owner), handler]
        {
            if (const auto alive = weak.lock())
            {
                (alive.get()->*handler)();
            }
        };
    }

    void SendRequest(const std::string& url, std::vector<std::uint8_t> body, std::int32_t jobNumber);
    void PostText(const std::string& url, const std::string& text);

    // Valid once a request has completed; a zero response before that.
    const FHttp_Response& LastResponse() const;
    // Fills a zero-state envelope from the last response's body.
    void ParseTaskResponse(FAPI_Response_TaskStatus& envelope) const;

    // The request as it goes to the host: address, verb, headers in order, body.
    static host::FHttpRequest BuildRequest(const UlirnoSetting& settings, const std::string& url,
                                           std::vector<std::uint8_t> body, std::int32_t jobNumber);

private:
    // Shared with the requests in flight, so that a completion can store its response even
    // while the owner is being released.
    struct FState
    {
        std::weak_ptr<void> Owner;
        std::function<void()> Callback;
        std::optional<FHttp_Response> Last;
    };
    std::shared_ptr<FState> State;
    UlirnoSetting* Settings;
    host::IHttpClient& Http;
};
} // namespace lirno
