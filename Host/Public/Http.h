// Asynchronous HTTP client. Send may be called from any thread; the completion always runs
// on the main thread. A request that gets no response at all (refused, unknown host, reset,
// time-out) completes with status code 0 and an empty body.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace host
{
struct FHttpRequest
{
    std::string Url;
    std::string Verb = "GET";
    std::vector<std::pair<std::string, std::string>> Headers; // sent in this order
    std::vector<std::uint8_t> Body;
};

struct FHttpResponse
{
    int StatusCode = 0;
    std::string Body; // the body bytes as UTF-8 text
};

// Takes the response by value: the body is handed over, never copied, however large it is.
using FHttpCompletion = std::function<void(FHttpResponse)>;

class IHttpClient
{
public:
    virtual ~IHttpClient() = default;
    virtual void Send(FHttpRequest request, FHttpCompletion onComplete) = 0;
};
} // namespace host
