// Fixtures for the host's tests: temporary projects and plug-in folders, a console that
// captures its output, and a loopback HTTP server that answers from a script.
#pragma once

#include "Console.h"

#include <atomic>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace host::test
{
// A fresh folder under the test temp folder, holding "<name>.project" and Config/.
std::string MakeProject(const std::string& folderName, const std::string& name = "Demo");
// Makes <folderName>/HostTest/ holding HostTest.plugin and Binaries/libhosttestmodule.so, and
// returns that plug-in base folder.
std::string MakeTestPluginFolder(const std::string& folderName);

class FCapturedConsole
{
public:
    explicit FCapturedConsole(bool redraw = false);
    ~FCapturedConsole();
    FConsole& Console() { return *Console_; }
    std::string Text();

private:
    char* Buffer = nullptr;
    std::size_t Size = 0;
    std::FILE* Stream = nullptr;
    std::unique_ptr<FConsole> Console_;
};

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
