// A loopback HTTP server for the client's tests, answering from a script so that a test sees
// the raw request (headers in their order) and can answer badly or not at all.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace host::test
{
// Answers each connection from a script: the raw request in, the raw response out. An empty
// response closes the connection without answering; Hang keeps it open until the server stops.
class FLoopbackServer
{
public:
    struct FReply
    {
        std::string Raw;
        bool Hang = false;
    };
    explicit FLoopbackServer(std::function<FReply(const std::string& request)> handler);
    ~FLoopbackServer();
    int Port() const { return Port_; }
    std::string Url(const std::string& path = "/") const;
    std::vector<std::string> Requests();

    static FReply Respond(int status, const std::string& body);

private:
    void Serve();
    void Handle(int client);

    std::function<FReply(const std::string&)> Handler;
    int Listener = -1;
    int Port_ = 0;
    int StopPipe[2] = {-1, -1};
    std::mutex Mutex;
    std::vector<std::string> Received;
    std::vector<std::thread> Connections;
    std::thread Thread;
};

// A local port with nothing listening on it.
int UnusedPort();
} // namespace host::test
