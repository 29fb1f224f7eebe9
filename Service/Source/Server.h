// The service as one object: accounts, providers, tasks and the HTTP server, started on the
// configured address and stopped in order.
#pragma once

#include "Accounts.h"
#include "ProviderChain.h"
#include "ServiceConfig.h"
#include "ServiceState.h"
#include "TaskStore.h"
#include "UploadBudget.h"

#include <httplib.h>
#include <memory>
#include <thread>

namespace lirno::service
{
class TranslationService
{
public:
    // `providers` empty means the standard set.
    explicit TranslationService(ServiceConfig config, std::vector<std::unique_ptr<Provider>> providers = {});
    ~TranslationService();
    TranslationService(const TranslationService&) = delete;
    TranslationService& operator=(const TranslationService&) = delete;

    // Opens the database (resuming its unfinished tasks), binds the address (port 0 picks a free
    // one) and serves on a background thread. Returns false with a reason when the database
    // cannot be opened, the port cannot be bound or the TLS files cannot be loaded.
    bool Start(std::string& error);
    // Stops serving, then the workers; call from the thread that called Start.
    void Stop();

    int Port() const { return port_; }
    std::string BaseAddress() const;

private:
    bool Bind(std::string& error);

    ServiceConfig config_;
    Accounts accounts_;
    ProviderChain chain_;
    std::unique_ptr<ServiceState> state_;
    std::unique_ptr<TaskStore> tasks_;
    UploadBudget uploads_;
    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
    int port_ = 0;
};
} // namespace lirno::service
