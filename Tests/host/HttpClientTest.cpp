#include "CurlHttpClient.h"
#include "LoopbackServer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

using namespace host;
using namespace host::test;
using namespace std::chrono_literals;

namespace
{
struct FResult
{
    FHttpResponse Response;
    bool OnMainThread = false;
    int Calls = 0;
};

FResult SendAndWait(FEventLoop& loop, IHttpClient& client, FHttpRequest request)
{
    FResult result;
    client.Send(std::move(request),
                [&](const FHttpResponse& response)
                {
                    result.Response = response;
                    result.OnMainThread = loop.IsMainThread();
                    ++result.Calls;
                });
    EXPECT_EQ(loop.RunUntilIdle(std::chrono::steady_clock::now() + 10s), FEventLoop::ERunResult::Idle);
    return result;
}
} // namespace

TEST(CurlHttpClient, SendsVerbHeadersInOrderAndBodyBytes)
{
    FLoopbackServer server([](const std::string&) { return FLoopbackServer::Respond(200, "ok"); });
    FEventLoop loop;
    FCurlHttpClient client(loop);
    FHttpRequest request;
    request.Url = server.Url("/api/upload");
    request.Verb = "POST";
    request.Headers = {{"Zeta", "1"},
                       {"Authorization", ""},
                       {"Alpha", "two words"},
                       {"Content-Type", "application/octet-stream"}};
    request.Body = {0, 'a', 0xff, '\r', '\n'};
    const FResult result = SendAndWait(loop, client, request);

    EXPECT_EQ(result.Calls, 1);
    EXPECT_TRUE(result.OnMainThread);
    EXPECT_EQ(result.Response.StatusCode, 200);
    EXPECT_EQ(result.Response.Body, "ok");
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    const std::string& raw = requests[0];
    EXPECT_EQ(raw.rfind("POST /api/upload HTTP/1.1\r\n", 0), 0u) << raw;
    const auto zeta = raw.find("\r\nZeta: 1\r\n");
    const auto auth = raw.find("\r\nAuthorization:");
    const auto alpha = raw.find("\r\nAlpha: two words\r\n");
    ASSERT_NE(zeta, std::string::npos);
    ASSERT_NE(auth, std::string::npos);
    ASSERT_NE(alpha, std::string::npos);
    EXPECT_LT(zeta, auth);
    EXPECT_LT(auth, alpha);
    EXPECT_EQ(raw.find("Expect:"), std::string::npos);
    EXPECT_EQ(raw.substr(raw.size() - 5), std::string("\0a\xff\r\n", 5));
}

TEST(CurlHttpClient, EmptyPostSendsNoFormContentType)
{
    FLoopbackServer server([](const std::string&) { return FLoopbackServer::Respond(200, ""); });
    FEventLoop loop;
    FCurlHttpClient client(loop);
    FHttpRequest request;
    request.Url = server.Url("/check");
    request.Verb = "POST";
    SendAndWait(loop, client, request);
    const auto raw = server.Requests().at(0);
    EXPECT_NE(raw.find("Content-Length: 0"), std::string::npos);
    EXPECT_EQ(raw.find("x-www-form-urlencoded"), std::string::npos);
}

TEST(CurlHttpClient, ErrorStatusesKeepTheirBody)
{
    FLoopbackServer server(
        [](const std::string& request)
        {
            return request.find("/missing") != std::string::npos
                       ? FLoopbackServer::Respond(404, "not here")
                       : FLoopbackServer::Respond(500, "{\"Status\":0}");
        });
    FEventLoop loop;
    FCurlHttpClient client(loop);
    FHttpRequest request;
    request.Url = server.Url("/missing");
    auto result = SendAndWait(loop, client, request);
    EXPECT_EQ(result.Response.StatusCode, 404);
    EXPECT_EQ(result.Response.Body, "not here");
    request.Url = server.Url("/boom");
    result = SendAndWait(loop, client, request);
    EXPECT_EQ(result.Response.StatusCode, 500);
    EXPECT_EQ(result.Response.Body, "{\"Status\":0}");
}

TEST(CurlHttpClient, NoResponseCompletesWithZeroAndEmptyBody)
{
    FLoopbackServer closes([](const std::string&) { return FLoopbackServer::FReply{}; });
    FLoopbackServer garbage([](const std::string&)
                            { return FLoopbackServer::FReply{"not http at all\r\n\r\n"}; });
    FEventLoop loop;
    FCurlHttpClient client(loop);
    for (const std::string& url :
         {closes.Url("/"), garbage.Url("/"), "http://127.0.0.1:" + std::to_string(UnusedPort()) + "/",
          std::string("file:///etc/passwd")})
    {
        FHttpRequest request;
        request.Url = url;
        const auto result = SendAndWait(loop, client, request);
        EXPECT_EQ(result.Calls, 1) << url;
        EXPECT_EQ(result.Response.StatusCode, 0) << url;
        EXPECT_EQ(result.Response.Body, "") << url;
    }
}

TEST(CurlHttpClient, StalledServerEndsRequestAfterStallTimeout)
{
    FLoopbackServer server([](const std::string&) { return FLoopbackServer::FReply{"", true}; });
    FEventLoop loop;
    FHttpOptions options;
    options.StallTimeoutSeconds = 1;
    FCurlHttpClient client(loop, options);
    FHttpRequest request;
    request.Url = server.Url("/slow");
    const auto start = std::chrono::steady_clock::now();
    const auto result = SendAndWait(loop, client, request);
    EXPECT_EQ(result.Response.StatusCode, 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
}

TEST(CurlHttpClient, ManyConcurrentRequestsFromOtherThreadsAllComplete)
{
    FLoopbackServer server(
        [](const std::string& request)
        {
            const auto at = request.find("/n/") + 3;
            return FLoopbackServer::Respond(200, request.substr(at, request.find(' ', at) - at));
        });
    FEventLoop loop;
    FCurlHttpClient client(loop);
    std::vector<std::string> bodies;
    std::vector<std::thread> senders;
    for (int i = 0; i < 8; ++i)
    {
        senders.emplace_back(
            [&, i]
            {
                FHttpRequest request;
                request.Url = server.Url("/n/" + std::to_string(i));
                client.Send(request, [&](const FHttpResponse& r) { bodies.push_back(r.Body); });
            });
    }
    for (auto& t : senders)
    {
        t.join();
    }
    EXPECT_EQ(loop.RunUntilIdle(std::chrono::steady_clock::now() + 10s), FEventLoop::ERunResult::Idle);
    std::sort(bodies.begin(), bodies.end());
    EXPECT_EQ(bodies, (std::vector<std::string>{"0", "1", "2", "3", "4", "5", "6", "7"}));
}

TEST(CurlHttpClient, DestroyingClientAbandonsRequestsInFlight)
{
    FLoopbackServer server([](const std::string&) { return FLoopbackServer::FReply{"", true}; });
    FEventLoop loop;
    int calls = 0;
    {
        FCurlHttpClient client(loop);
        FHttpRequest request;
        request.Url = server.Url("/slow");
        client.Send(request, [&](const FHttpResponse&) { ++calls; });
        std::this_thread::sleep_for(50ms);
    }
    EXPECT_EQ(loop.RunUntilIdle(std::chrono::steady_clock::now() + 5s), FEventLoop::ERunResult::Idle);
    EXPECT_EQ(calls, 0);
}
