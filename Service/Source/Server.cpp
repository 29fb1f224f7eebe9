#include "Server.h"

#include "Routes.h"

#include <limits>

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
    return settings;
}
} // namespace

TranslationService::TranslationService(ServiceConfig config, std::vector<std::unique_ptr<Provider>> providers)
    : config_(std::move(config)), accounts_(config_),
      chain_(config_, providers.empty() ? MakeStandardProviders(config_) : std::move(providers)),
      tasks_(MakeTaskSettings(config_), chain_)
{
}

TranslationService::~TranslationService()
{
    Stop();
}

bool TranslationService::Start(std::string& error)
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
    AddRoutes(*server_, ServiceParts{config_, accounts_, chain_, tasks_});

    if (config_.port == 0)
        port_ = server_->bind_to_any_port(config_.address);
    else
        port_ = server_->bind_to_port(config_.address.c_str(), config_.port) ? config_.port : -1;
    if (port_ <= 0)
    {
        error = "cannot listen on " + config_.address + ":" + std::to_string(config_.port);
        return false;
    }
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    return true;
}

void TranslationService::Stop()
{
    if (server_)
        server_->stop();
    if (thread_.joinable())
        thread_.join();
    tasks_.Stop();
}

std::string TranslationService::BaseAddress() const
{
    const bool tls = !config_.tls_cert.empty();
    const bool v6 = config_.address.find(':') != std::string::npos;
    return std::string(tls ? "https" : "http") + "://" +
           (v6 ? "[" + config_.address + "]" : config_.address) + ":" + std::to_string(port_);
}
} // namespace lirno::service
