#include "CurlHttpClient.h"

#include "Log.h"
#include "StringUtil.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <exception>
#include <utility>

namespace host
{
struct FCurlHttpClient::FTransfer
{
    // Why the client itself ended the transfer; curl reports that end as a write error.
    enum class ERefusal
    {
        None,
        TooLarge,
        OutOfMemory,
    };

    FHttpRequest Request;
    FHttpCompletion OnComplete;
    std::uint64_t MaxBody = 0;
    CURL* Easy = nullptr;
    curl_slist* Headers = nullptr;
    std::string ResponseBody;
    ERefusal Refusal = ERefusal::None;
    char ErrorText[CURL_ERROR_SIZE] = {}; // curl's own words for why the transfer failed

    ~FTransfer()
    {
        curl_slist_free_all(Headers);
        if (Easy)
        {
            curl_easy_cleanup(Easy);
        }
    }
};

namespace
{
using ERefusal = FCurlHttpClient::FTransfer::ERefusal;

// Largest body size taken from Content-Length up front; beyond it the string grows as usual.
// A server's claim is not trusted further than this.
constexpr curl_off_t MaxReservedBody = curl_off_t{256} << 20;

std::size_t AppendBody(char* data, std::size_t size, std::size_t count, void* user)
{
    auto& transfer = *static_cast<FCurlHttpClient::FTransfer*>(user);
    const std::size_t bytes = size * count;
    // The data arrive decoded, so this also bounds what a small compressed body expands to.
    if (bytes > transfer.MaxBody - transfer.ResponseBody.size())
    {
        transfer.Refusal = ERefusal::TooLarge;
        return 0;
    }
    try
    {
        if (transfer.ResponseBody.empty())
        {
            // A large answer (a translated package) would otherwise grow by doubling to twice its size.
            curl_off_t length = -1;
            if (curl_easy_getinfo(transfer.Easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK &&
                length > 0 && length <= MaxReservedBody && static_cast<std::uint64_t>(length) <= transfer.MaxBody)
            {
                transfer.ResponseBody.reserve(static_cast<std::size_t>(length));
            }
        }
        transfer.ResponseBody.append(data, bytes);
    }
    catch (const std::exception&)
    {
        // No exception may cross curl; a body that cannot be held ends the request unanswered.
        transfer.Refusal = ERefusal::OutOfMemory;
        return 0;
    }
    return bytes;
}

// Why a request got no response, in curl's words where it has them ("Failed to connect to
// 127.0.0.1 port 9: Connection refused", "Operation too slow..."): the user reads the cause
// in the log instead of a bare status 0.
std::string NoResponseReason(const FCurlHttpClient::FTransfer& transfer, int curlCode)
{
    if (transfer.Refusal == ERefusal::TooLarge || curlCode == CURLE_FILESIZE_EXCEEDED)
    {
        return "body larger than " + std::to_string(transfer.MaxBody) + " bytes";
    }
    if (transfer.Refusal == ERefusal::OutOfMemory)
    {
        return "body could not be held in memory";
    }
    std::string reason = curl_easy_strerror(static_cast<CURLcode>(curlCode));
    if (transfer.ErrorText[0] != '\0')
    {
        reason = std::string(transfer.ErrorText) + " (" + reason + ")";
    }
    // "Couldn't connect" says little; the system's reason (refused, unreachable) says why.
    long osError = 0;
    if (transfer.Easy && curl_easy_getinfo(transfer.Easy, CURLINFO_OS_ERRNO, &osError) == CURLE_OK && osError != 0)
    {
        reason += ": " + std::string(std::strerror(static_cast<int>(osError)));
    }
    return reason;
}

// A hint for the most common cause of a wrong address: a service address ending in "/" before
// a path that starts with one.
std::string AddressHint(const std::string& url)
{
    const auto scheme = url.find("://");
    const auto doubled = url.find("//", scheme == std::string::npos ? 0 : scheme + 3);
    return doubled == std::string::npos ? std::string() : " (the address holds \"//\": does the Host end in \"/\"?)";
}

bool HasHeader(const FHttpRequest& request, std::string_view name)
{
    for (const auto& [key, value] : request.Headers)
    {
        if (EqualsIgnoreCase(key, name))
        {
            return true;
        }
    }
    return false;
}

// The request exactly as the caller built it: its headers in order and nothing that curl would
// add on its own (a form content type, "Expect: 100-continue" with its wait).
curl_slist* BuildHeaders(const FHttpRequest& request)
{
    curl_slist* list = nullptr;
    for (const auto& [key, value] : request.Headers)
    {
        // "Name;" is curl's way of sending a header with an empty value.
        const std::string line = value.empty() ? key + ";" : key + ": " + value;
        list = curl_slist_append(list, line.c_str());
    }
    if (!HasHeader(request, "Content-Type"))
    {
        list = curl_slist_append(list, "Content-Type:");
    }
    if (!HasHeader(request, "Expect"))
    {
        list = curl_slist_append(list, "Expect:");
    }
    return list;
}

// The proxy variables apply as usual, but this machine's own addresses never go through a
// proxy (a local service would be unreachable that way).
std::string NoProxyList()
{
    std::string list = "localhost,127.0.0.1,::1";
    for (const char* name : {"no_proxy", "NO_PROXY"})
    {
        if (const char* value = std::getenv(name); value && *value)
        {
            return std::string(value) == "*" ? std::string(value) : std::string(value) + "," + list;
        }
    }
    return list;
}
} // namespace

FCurlHttpClient::FCurlHttpClient(FEventLoop& loop, FHttpOptions options)
    : Loop(loop), Options(options), NoProxy(NoProxyList())
{
    curl_global_init(CURL_GLOBAL_DEFAULT);
    Multi = curl_multi_init();
    Thread = std::thread([this] { NetworkThread(); });
}

FCurlHttpClient::~FCurlHttpClient()
{
    Stopping = true;
    curl_multi_wakeup(static_cast<CURLM*>(Multi));
    Thread.join();
    curl_multi_cleanup(static_cast<CURLM*>(Multi));
}

void FCurlHttpClient::Send(FHttpRequest request, FHttpCompletion onComplete)
{
    auto transfer = std::make_unique<FTransfer>();
    transfer->Request = std::move(request);
    transfer->OnComplete = std::move(onComplete);
    Log(LogGeneral, EVerbosity::Verbose,
        "HTTP " + transfer->Request.Verb + " " + transfer->Request.Url + " sent with " +
            std::to_string(transfer->Request.Body.size()) + " bytes");
    Loop.BeginWork();
    {
        std::lock_guard lock(Mutex);
        Incoming.push_back(std::move(transfer));
    }
    curl_multi_wakeup(static_cast<CURLM*>(Multi));
}

void FCurlHttpClient::StartTransfer(std::unique_ptr<FTransfer> transfer)
{
    transfer->MaxBody = Options.MaxResponseBytes;
    transfer->Easy = curl_easy_init();
    try
    {
        // Registered before the handle joins the transfers, so nothing can fail after that.
        Active.insert(transfer.get());
        if (transfer->Easy)
        {
            Configure(*transfer);
            if (curl_multi_add_handle(static_cast<CURLM*>(Multi), transfer->Easy) == CURLM_OK)
            {
                transfer.release(); // owned through CURLOPT_PRIVATE until FinishTransfer
                return;
            }
        }
    }
    catch (const std::exception&)
    {
        // A request that cannot even be set up gets no response, like one that fails later.
    }
    Active.erase(transfer.get());
    EndTransfer(std::move(transfer), CURLE_FAILED_INIT);
}

void FCurlHttpClient::Configure(FTransfer& transfer)
{
    FHttpRequest& request = transfer.Request;
    CURL* easy = transfer.Easy;
    transfer.Headers = BuildHeaders(request);
    curl_easy_setopt(easy, CURLOPT_URL, request.Url.c_str());
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, transfer.Headers);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &AppendBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, Options.ConnectTimeoutSeconds);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, Options.LowSpeedBytesPerSecond);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, Options.StallTimeoutSeconds);
    curl_easy_setopt(easy, CURLOPT_TIMEOUT, Options.TotalTimeoutSeconds);
    curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "");
    // Only web addresses: a service-supplied address must not reach files or other protocols.
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_NOPROXY, NoProxy.c_str());
    curl_easy_setopt(easy, CURLOPT_PRIVATE, &transfer);
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, transfer.ErrorText);

    const std::string& verb = request.Verb;
    if (EqualsIgnoreCase(verb, "HEAD"))
    {
        curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
        return;
    }
    // An announced body over the limit is refused before any of it is received.
    const auto maxFileSize = static_cast<curl_off_t>(
        std::min<std::uint64_t>(transfer.MaxBody, std::numeric_limits<curl_off_t>::max()));
    curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, maxFileSize);
    if (EqualsIgnoreCase(verb, "GET"))
    {
        curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
        return;
    }
    if (!EqualsIgnoreCase(verb, "POST"))
    {
        curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, verb.c_str());
    }
    // The body lives in the transfer until it ends, so curl need not copy it.
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.Body.size()));
    curl_easy_setopt(easy, CURLOPT_POSTFIELDS, request.Body.data());
}

void FCurlHttpClient::FinishTransfer(void* easyHandle, int curlCode)
{
    CURL* easy = static_cast<CURL*>(easyHandle);
    FTransfer* raw = nullptr;
    curl_easy_getinfo(easy, CURLINFO_PRIVATE, &raw);
    Active.erase(raw);
    curl_multi_remove_handle(static_cast<CURLM*>(Multi), easy);
    EndTransfer(std::unique_ptr<FTransfer>(raw), curlCode);
}

void FCurlHttpClient::EndTransfer(std::unique_ptr<FTransfer> transfer, int curlCode)
{
    FHttpResponse response;
    long status = 0;
    if (transfer->Easy)
    {
        curl_easy_getinfo(transfer->Easy, CURLINFO_RESPONSE_CODE, &status);
    }
    if (curlCode == CURLE_OK && status > 0)
    {
        response.StatusCode = static_cast<int>(status);
        response.Body = std::move(transfer->ResponseBody);
    }
    else
    {
        std::string().swap(transfer->ResponseBody); // a refused body is let go before anything else
    }
    try
    {
        const FHttpRequest& request = transfer->Request;
        if (response.StatusCode == 0)
        {
            Log(LogGeneral, EVerbosity::Warning,
                "HTTP " + request.Verb + " " + request.Url + " got no response: " + NoResponseReason(*transfer, curlCode));
        }
        else if (response.StatusCode == 200)
        {
            Log(LogGeneral, EVerbosity::Verbose,
                "HTTP " + request.Verb + " " + request.Url + " answered 200 with " +
                    std::to_string(response.Body.size()) + " bytes");
        }
        else
        {
            Log(LogGeneral, EVerbosity::Warning,
                "HTTP " + request.Verb + " " + request.Url + " answered with status " +
                    std::to_string(response.StatusCode) + AddressHint(request.Url));
        }
    }
    catch (const std::exception&)
    {
        // The request still completes; only its log line is lost.
    }
    auto onComplete = std::move(transfer->OnComplete);
    transfer.reset();
    try
    {
        auto shared = std::make_shared<FHttpResponse>(std::move(response));
        Loop.PostToMainThread(
            [&loop = Loop, shared, onComplete = std::move(onComplete)]
            {
                if (onComplete)
                {
                    onComplete(std::move(*shared));
                }
                loop.EndWork();
            });
    }
    catch (const std::exception&)
    {
        // Without memory for its completion the request cannot be answered, but it must not keep
        // the event loop waiting for it forever.
        Loop.EndWork();
    }
}

void FCurlHttpClient::NetworkThread()
{
    CURLM* multi = static_cast<CURLM*>(Multi);
    while (!Stopping)
    {
        std::deque<std::unique_ptr<FTransfer>> incoming;
        {
            std::lock_guard lock(Mutex);
            incoming.swap(Incoming);
        }
        for (auto& transfer : incoming)
        {
            StartTransfer(std::move(transfer));
        }
        int running = 0;
        curl_multi_perform(multi, &running);
        int left = 0;
        while (CURLMsg* message = curl_multi_info_read(multi, &left))
        {
            if (message->msg == CURLMSG_DONE)
            {
                FinishTransfer(message->easy_handle, message->data.result);
            }
        }
        curl_multi_poll(multi, nullptr, 0, 1000, nullptr);
    }
    // Abandon what is still in flight: its completions would run after the editor has ended.
    for (FTransfer* transfer : Active)
    {
        curl_multi_remove_handle(multi, transfer->Easy);
        delete transfer;
        Loop.EndWork();
    }
    Active.clear();
    std::lock_guard lock(Mutex);
    for (std::size_t i = 0; i < Incoming.size(); ++i)
    {
        Loop.EndWork();
    }
    Incoming.clear();
}
} // namespace host
