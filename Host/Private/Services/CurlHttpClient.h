// The editor's HTTP client on libcurl's multi interface: one network thread waits in
// curl_multi_poll, Send wakes it with curl_multi_wakeup, and finished transfers are handed to
// the main thread's event loop.
#pragma once

#include "EventLoop.h"
#include "HostApi.h"
#include "Http.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_set>

namespace host
{
struct FHttpOptions
{
    long ConnectTimeoutSeconds = 30;
    // A transfer slower than LowSpeedBytesPerSecond for this long has stalled and ends the
    // request: a server dripping bytes must not hold a request open forever.
    long StallTimeoutSeconds = 60;
    long LowSpeedBytesPerSecond = 1024;
    // 0: no limit on the whole transfer; uploads and slow services may legitimately take long.
    long TotalTimeoutSeconds = 0;
    // Largest response body taken, counted after content decoding; a larger one (announced or
    // received) ends the request unanswered before it can exhaust memory.
    std::uint64_t MaxResponseBytes = std::uint64_t{1} << 30;
};

class HOST_API FCurlHttpClient final : public IHttpClient
{
public:
    FCurlHttpClient(FEventLoop& loop, FHttpOptions options = {});
    // Requests still in flight are abandoned without completion.
    ~FCurlHttpClient() override;

    void Send(FHttpRequest request, FHttpCompletion onComplete) override;

    struct FTransfer; // one request in flight; defined beside the curl callbacks

private:
    void NetworkThread();
    void StartTransfer(std::unique_ptr<FTransfer> transfer);
    void Configure(FTransfer& transfer);
    void FinishTransfer(void* easy, int curlCode);
    // Builds the response (or logs why there is none) and hands it to the main thread.
    void EndTransfer(std::unique_ptr<FTransfer> transfer, int curlCode);

    FEventLoop& Loop;
    const FHttpOptions Options;
    const std::string NoProxy;
    void* Multi = nullptr; // CURLM*
    std::mutex Mutex;
    std::deque<std::unique_ptr<FTransfer>> Incoming;
    std::unordered_set<FTransfer*> Active; // network thread only
    std::atomic<bool> Stopping{false};
    std::thread Thread;
};
} // namespace host
