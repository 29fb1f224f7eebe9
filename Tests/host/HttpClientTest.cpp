#include "CurlHttpClient.h"
#include "LoopbackServer.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
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

constexpr std::uint64_t TestBodyLimit = std::uint64_t{1} << 20;

FHttpOptions LimitedOptions()
{
    FHttpOptions options;
    options.MaxResponseBytes = TestBodyLimit;
    return options;
}

// `size` zero bytes as raw deflate data ending on a full flush: the piece refers to nothing
// before it, so repeating it makes an endless valid stream that inflates a thousandfold.
std::string DeflatedZeros(std::size_t size)
{
    z_stream stream{};
    EXPECT_EQ(deflateInit2(&stream, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY), Z_OK);
    std::string in(size, '\0');
    std::string out(deflateBound(&stream, size) + 64, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(in.data());
    stream.avail_in = static_cast<uInt>(in.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&stream, Z_FULL_FLUSH), Z_OK);
    EXPECT_EQ(stream.avail_in, 0u);
    out.resize(out.size() - stream.avail_out);
    deflateEnd(&stream);
    return out;
}

FResult SendCapturingLog(FEventLoop& loop, IHttpClient& client, const FHttpRequest& request, std::string& log)
{
    testing::internal::CaptureStderr();
    FResult result = SendAndWait(loop, client, request);
    log = testing::internal::GetCapturedStderr();
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

TEST(CurlHttpClient, ErrorStatusesKeepTheirBodyAndAreLoggedAsWarnings)
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
    std::string log;
    auto result = SendCapturingLog(loop, client, request, log);
    EXPECT_EQ(result.Response.StatusCode, 404);
    EXPECT_EQ(result.Response.Body, "not here");
    EXPECT_EQ(log, "LogGeneral: Warning: HTTP GET " + request.Url + " answered with status 404\n");
    request.Url = server.Url("/boom");
    request.Verb = "POST";
    result = SendCapturingLog(loop, client, request, log);
    EXPECT_EQ(result.Response.StatusCode, 500);
    EXPECT_EQ(result.Response.Body, "{\"Status\":0}");
    EXPECT_EQ(log, "LogGeneral: Warning: HTTP POST " + request.Url + " answered with status 500\n");
    // A Host setting ending in "/" doubles the slash before the path; the line says so.
    request.Url = server.Url("//missing");
    SendCapturingLog(loop, client, request, log);
    EXPECT_NE(log.find("404 (the address holds \"//\": does the Host end in \"/\"?)"), std::string::npos) << log;
}

TEST(CurlHttpClient, NoResponseCompletesWithZeroAndLogsCurlsReason)
{
    FLoopbackServer closes([](const std::string&) { return FLoopbackServer::FReply{}; });
    FLoopbackServer garbage([](const std::string&)
                            { return FLoopbackServer::FReply{"not http at all\r\n\r\n"}; });
    FEventLoop loop;
    FCurlHttpClient client(loop);
    struct FCase
    {
        std::string Url;
        std::string Reason;
    };
    for (const FCase& c : {FCase{closes.Url("/"), "Empty reply from server"},
                           FCase{garbage.Url("/"), "HTTP/0.9"},
                           FCase{"http://127.0.0.1:" + std::to_string(UnusedPort()) + "/", "Connection refused"},
                           FCase{"file:///etc/passwd", "file"}, FCase{"not-a-url", "not-a-url"},
                           FCase{"", "URL"}})
    {
        FHttpRequest request;
        request.Url = c.Url;
        std::string log;
        const auto result = SendCapturingLog(loop, client, request, log);
        EXPECT_EQ(result.Calls, 1) << c.Url;
        EXPECT_EQ(result.Response.StatusCode, 0) << c.Url;
        EXPECT_EQ(result.Response.Body, "") << c.Url;
        EXPECT_EQ(log.rfind("LogGeneral: Warning: HTTP GET " + c.Url + " got no response: ", 0), 0u) << log;
        EXPECT_NE(log.find(c.Reason), std::string::npos) << log;
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
    std::string log;
    const auto result = SendCapturingLog(loop, client, request, log);
    EXPECT_EQ(result.Response.StatusCode, 0);
    EXPECT_NE(log.find("got no response: Operation too slow"), std::string::npos) << log;
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

TEST(CurlHttpClient, EndlessBodyEndsUnansweredAtTheLimitPlainOrCompressed)
{
    const std::string head = "HTTP/1.1 200 OK\r\nConnection: close\r\n";
    const std::string gzipHeader("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03", 10);
    struct FCase
    {
        std::string Name;
        FLoopbackServer::FReply Reply;
    };
    // 16 GiB as sent; 64 GiB once inflated from about 64 MiB: the limit counts decoded bytes.
    FCase cases[] = {{"plain", {head + "\r\n"}}, {"gzip", {head + "Content-Encoding: gzip\r\n\r\n" + gzipHeader}}};
    cases[0].Reply.Piece = std::string(64 << 10, 'x');
    cases[0].Reply.Repeat = std::size_t{1} << 18;
    cases[1].Reply.Piece = DeflatedZeros(1 << 20);
    cases[1].Reply.Repeat = std::size_t{1} << 16;
    for (const FCase& c : cases)
    {
        FLoopbackServer server([&](const std::string&) { return c.Reply; });
        FEventLoop loop;
        FCurlHttpClient client(loop, LimitedOptions());
        FHttpRequest request;
        request.Url = server.Url("/api/status");
        std::string log;
        const FResult result = SendCapturingLog(loop, client, request, log);

        EXPECT_EQ(result.Calls, 1) << c.Name;
        EXPECT_EQ(result.Response.StatusCode, 0) << c.Name;
        EXPECT_EQ(result.Response.Body, "") << c.Name;
        EXPECT_NE(log.find("LogGeneral: Warning: HTTP GET " + request.Url +
                           " got no response: body larger than 1048576 bytes"),
                  std::string::npos)
            << c.Name << ": " << log;
        // The client hung up rather than reading on; what it took was the limit and what the
        // sockets held.
        EXPECT_LT(server.PiecesSent(), c.Reply.Repeat) << c.Name;
        if (c.Name == "plain")
        {
            EXPECT_LT(server.PiecesSent() * c.Reply.Piece.size(), std::size_t{64} << 20);
        }
    }
}

TEST(CurlHttpClient, AnnouncedBodyOverTheLimitIsRefusedBeforeReading)
{
    // A body of exactly the limit is still taken.
    FLoopbackServer fits([](const std::string&)
                         { return FLoopbackServer::Respond(200, std::string(TestBodyLimit, 'y')); });
    // Announces one byte too many, sends a little and then nothing: only a client that refuses
    // on the announcement completes (one waiting for the rest would wait for a minute).
    FLoopbackServer tooLarge(
        [](const std::string&)
        {
            return FLoopbackServer::FReply{"HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(TestBodyLimit + 1) +
                                               "\r\n\r\n" + std::string(1000, 'z'),
                                           true};
        });
    FEventLoop loop;
    FCurlHttpClient client(loop, LimitedOptions());
    FHttpRequest request;
    request.Url = fits.Url("/api/status");
    request.Verb = "POST";
    std::string log;
    FResult result = SendCapturingLog(loop, client, request, log);
    EXPECT_EQ(result.Response.StatusCode, 200);
    EXPECT_EQ(result.Response.Body.size(), TestBodyLimit);
    EXPECT_EQ(log, "");

    request.Url = tooLarge.Url("/api/status");
    result = SendCapturingLog(loop, client, request, log);
    EXPECT_EQ(result.Calls, 1);
    EXPECT_EQ(result.Response.StatusCode, 0);
    EXPECT_EQ(result.Response.Body, "");
    EXPECT_NE(log.find("Warning: HTTP POST " + request.Url + " got no response: body larger than 1048576 bytes"),
              std::string::npos)
        << log;
}

TEST(CurlHttpClient, DrippingServerEndsAfterTheLowSpeedWindow)
{
    // Two bytes a second: moving, but far below the floor.
    FLoopbackServer server(
        [](const std::string&)
        {
            FLoopbackServer::FReply reply{"HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n"};
            reply.Piece = "x";
            reply.Repeat = 1000;
            reply.Interval = 500ms;
            return reply;
        });
    FEventLoop loop;
    FHttpOptions options;
    options.StallTimeoutSeconds = 2;
    FCurlHttpClient client(loop, options);
    FHttpRequest request;
    request.Url = server.Url("/api/status");
    const FResult result = SendAndWait(loop, client, request);
    EXPECT_EQ(result.Calls, 1);
    EXPECT_EQ(result.Response.StatusCode, 0);
    EXPECT_EQ(result.Response.Body, "");
    EXPECT_LT(server.PiecesSent(), 1000u);
}
