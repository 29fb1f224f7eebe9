// A loopback HTTP server for the client's tests, answering from a script so that a test sees
// the raw request (headers in their order) and can answer badly or not at all.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace host::test
{
// Answers each connection from a script: the raw request in, the raw response out. An empty
// response closes the connection without answering; Hang keeps it open until the server stops.
// A reply may go on after Raw with Piece, sent Repeat times, Interval apart: an endless or a
// dripping body. It stops early when the client has gone or the server stops.
class FLoopbackServer
{
public:
    struct FReply
    {
        FReply(std::string raw = {}, bool hang = false) : Raw(std::move(raw)), Hang(hang) {}
        std::string Raw;
        bool Hang = false;
        std::string Piece;
        std::size_t Repeat = 0;
        std::chrono::milliseconds Interval{0};
    };
    explicit FLoopbackServer(std::function<FReply(const std::string& request)> handler);
    ~FLoopbackServer();
    int Port() const { return Port_; }
    std::string Url(const std::string& path = "/") const;
    std::vector<std::string> Requests();
    // Pieces sent so far, over all connections.
    std::size_t PiecesSent() const { return PiecesSent_.load(); }

    static FReply Respond(int status, const std::string& body);

private:
    void Serve();
    void Handle(int client);
    void Reply(int client, const FReply& reply);
    // Waits until the client can take more (false: the server stops or the client has gone).
    bool SendAll(int client, std::string_view data);
    // False when the server stops within the wait.
    bool Wait(std::chrono::milliseconds wait);

    std::function<FReply(const std::string&)> Handler;
    int Listener = -1;
    int Port_ = 0;
    int StopPipe[2] = {-1, -1};
    std::mutex Mutex;
    std::vector<std::string> Received;
    std::atomic<std::size_t> PiecesSent_{0};
    std::vector<std::thread> Connections;
    std::thread Thread;
};

// A local port with nothing listening on it.
int UnusedPort();
} // namespace host::test
