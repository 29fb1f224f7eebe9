#include "Server.h"

#include "Routes.h"

#include <cerrno>
#include <cstring>
#include <limits>
#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

namespace lirno::service
{
namespace
{
TaskSettings MakeTaskSettings(const ServiceConfig& config)
{
    TaskSettings settings;
    settings.workers = config.workers;
    settings.max_active_tasks = config.max_active_tasks;
    settings.result_ttl = std::chrono::seconds(config.result_ttl_seconds);
    settings.min_task_duration =
        std::chrono::milliseconds(static_cast<long long>(config.min_task_seconds * 1000));
    settings.max_unpacked_bytes = config.max_unpacked_bytes;
    return settings;
}

// Pending connections the kernel holds while every thread is busy; a burst of polling clients
// must wait there, not be reset.
constexpr int ListenBacklog = 1024;

// Why a port cannot be bound, asked of the kernel directly: the HTTP library only says that it
// failed.
std::string BindFailure(const std::string& address, int port)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    if (::getaddrinfo(address.c_str(), std::to_string(port).c_str(), &hints, &found) != 0 || !found)
        return "the address cannot be resolved";
    std::string reason = "unknown reason";
    const int sock = ::socket(found->ai_family, found->ai_socktype, found->ai_protocol);
    if (sock >= 0)
    {
        const int yes = 1;
        ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
        if (::bind(sock, found->ai_addr, found->ai_addrlen) != 0)
            reason = errno == EADDRINUSE ? "the port is already in use" : std::strerror(errno);
        ::close(sock);
    }
    ::freeaddrinfo(found);
    return reason;
}
} // namespace

TranslationService::TranslationService(ServiceConfig config, std::vector<std::unique_ptr<Provider>> providers)
    : config_(std::move(config)), accounts_(config_),
      chain_(config_, providers.empty() ? MakeStandardProviders(config_) : std::move(providers)),
      uploads_(config_.upload_memory_bytes)
{
}

TranslationService::~TranslationService()
{
    Stop();
}

bool TranslationService::Start(std::string& error)
{
    // The port is taken before any task resumes, so a second service started by mistake on a
    // busy port leaves the first one's tasks alone.
    if (!Bind(error))
        return false;
    state_ = ServiceState::Open(config_.database.empty() ? ":memory:" : config_.database, error);
    if (!state_)
    {
        server_.reset();
        return false;
    }
    tasks_ = std::make_unique<TaskStore>(MakeTaskSettings(config_), chain_, *state_);
    AddRoutes(*server_, ServiceParts{config_, accounts_, chain_, *tasks_, uploads_});
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    return true;
}

bool TranslationService::Bind(std::string& error)
{
    if (!config_.tls_cert.empty() || !config_.tls_key.empty())
    {
        auto tls = std::make_unique<httplib::SSLServer>(config_.tls_cert.c_str(), config_.tls_key.c_str());
        if (!tls->is_valid())
        {
            error = "cannot load the TLS certificate " + config_.tls_cert + " and key " + config_.tls_key;
            return false;
        }
        server_ = std::move(tls);
    }
    else
        server_ = std::make_unique<httplib::Server>();
    // Size limits are the routes' own, so an oversized body gets an envelope, not a bare 413.
    server_->set_payload_max_length(std::numeric_limits<std::size_t>::max());
    const unsigned threads = config_.http_threads;
    server_->new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
    server_->set_read_timeout(config_.client_timeout_seconds, 0);
    server_->set_write_timeout(config_.client_timeout_seconds, 0);
    // The library's default also sets SO_REUSEPORT, which lets a second service share the port
    // and take half the requests; only SO_REUSEADDR is kept, for a quick restart.
    int listening = -1;
    server_->set_socket_options(
        [&listening](int sock)
        {
            const int yes = 1;
            ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
            listening = sock;
        });

    if (config_.port == 0)
        port_ = server_->bind_to_any_port(config_.address);
    else
        port_ = server_->bind_to_port(config_.address.c_str(), config_.port) ? config_.port : -1;
    if (port_ <= 0)
    {
        error = "cannot listen on " + config_.address + " port " + std::to_string(config_.port) + ": " +
                BindFailure(config_.address, config_.port);
        return false;
    }
    // The library listens with a backlog of five; listening again only raises it.
    if (listening >= 0)
        ::listen(listening, ListenBacklog);
    return true;
}

void TranslationService::Stop()
{
    if (server_)
        server_->stop();
    if (thread_.joinable())
        thread_.join();
    if (tasks_)
        tasks_->Stop();
}

std::string TranslationService::BaseAddress() const
{
    const bool tls = !config_.tls_cert.empty();
    const bool v6 = config_.address.find(':') != std::string::npos;
    return std::string(tls ? "https" : "http") + "://" +
           (v6 ? "[" + config_.address + "]" : config_.address) + ":" + std::to_string(port_);
}
} // namespace lirno::service
