// API keys as configured: who they belong to and their total allowance in characters. What a
// key has used lives in the service's database, so a restart does not refill it.
#pragma once

#include "ServiceConfig.h"

#include <optional>
#include <string>
#include <vector>

namespace lirno::service
{
class Accounts
{
public:
    explicit Accounts(const ServiceConfig& config);

    // The key's account with the top-up page filled in; empty for an unknown or blank key.
    std::optional<AccountConfig> Find(const std::string& key) const;

private:
    std::vector<AccountConfig> accounts_;
    std::string default_top_up_url_;
};
} // namespace lirno::service
