#include "LoopbackServer.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace host::test
{
FLoopbackServer::FLoopbackServer(std::function<FReply(const std::string&)> handler)
    : Handler(std::move(handler))
{
    Listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(Listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(Listener, reinterpret_cast<sockaddr*>(&address), &length);
    Port_ = ntohs(address.sin_port);
    ::listen(Listener, 16);
    if (::pipe(StopPipe) != 0)
    {
        ADD_FAILURE() << "pipe failed";
    }
    Thread = std::thread([this] { Serve(); });
}

FLoopbackServer::~FLoopbackServer()
{
    ::close(StopPipe[1]);
    Thread.join();
    for (auto& c : Connections)
    {
        c.join();
    }
    ::close(StopPipe[0]);
    ::close(Listener);
}

std::string FLoopbackServer::Url(const std::string& path) const
{
    return "http://127.0.0.1:" + std::to_string(Port_) + path;
}

std::vector<std::string> FLoopbackServer::Requests()
{
    std::lock_guard lock(Mutex);
    return Received;
}

FLoopbackServer::FReply FLoopbackServer::Respond(int status, const std::string& body)
{
    return {"HTTP/1.1 " + std::to_string(status) + " X\r\nContent-Length: " + std::to_string(body.size()) +
                "\r\nConnection: close\r\n\r\n" + body,
            false};
}

void FLoopbackServer::Serve()
{
    for (;;)
    {
        pollfd fds[2] = {{Listener, POLLIN, 0}, {StopPipe[0], POLLIN, 0}};
        ::poll(fds, 2, -1);
        if (fds[1].revents)
        {
            return;
        }
        const int client = ::accept(Listener, nullptr, nullptr);
        if (client >= 0)
        {
            Connections.emplace_back([this, client] { Handle(client); });
        }
    }
}

void FLoopbackServer::Handle(int client)
{
    std::string request;
    char buffer[4096];
    std::size_t expected = std::string::npos;
    for (;;)
    {
        const auto headerEnd = request.find("\r\n\r\n");
        if (headerEnd != std::string::npos && expected == std::string::npos)
        {
            expected = headerEnd + 4;
            const auto at = request.find("Content-Length: ");
            if (at != std::string::npos && at < headerEnd)
            {
                expected += std::stoul(request.substr(at + 16));
            }
        }
        if (expected != std::string::npos && request.size() >= expected)
        {
            break;
        }
        pollfd fds[2] = {{client, POLLIN, 0}, {StopPipe[0], POLLIN, 0}};
        ::poll(fds, 2, -1);
        if (fds[1].revents)
        {
            ::close(client);
            return;
        }
        const auto n = ::recv(client, buffer, sizeof buffer, 0);
        if (n <= 0)
        {
            break;
        }
        request.append(buffer, static_cast<std::size_t>(n));
    }
    {
        std::lock_guard lock(Mutex);
        Received.push_back(request);
    }
    Reply(client, Handler(request));
    ::close(client);
}

void FLoopbackServer::Reply(int client, const FReply& reply)
{
    if (!SendAll(client, reply.Raw))
    {
        return;
    }
    for (std::size_t i = 0; i < reply.Repeat; ++i)
    {
        if ((reply.Interval.count() > 0 && !Wait(reply.Interval)) || !SendAll(client, reply.Piece))
        {
            return;
        }
        ++PiecesSent_;
    }
    if (reply.Hang)
    {
        Wait(std::chrono::milliseconds(-1));
    }
}

bool FLoopbackServer::SendAll(int client, std::string_view data)
{
    while (!data.empty())
    {
        pollfd fds[2] = {{client, POLLOUT, 0}, {StopPipe[0], POLLIN, 0}};
        ::poll(fds, 2, -1);
        if (fds[1].revents || (fds[0].revents & (POLLERR | POLLHUP)))
        {
            return false;
        }
        const auto n = ::send(client, data.data(), data.size(), MSG_NOSIGNAL);
        if (n <= 0)
        {
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool FLoopbackServer::Wait(std::chrono::milliseconds wait)
{
    pollfd stop{StopPipe[0], POLLIN, 0};
    return ::poll(&stop, 1, static_cast<int>(wait.count())) == 0;
}

int UnusedPort()
{
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(s);
    return ntohs(address.sin_port);
}
} // namespace host::test
