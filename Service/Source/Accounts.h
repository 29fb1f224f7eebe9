// API keys and their character allowances. A task's characters are charged when it is
// accepted, all at once, so two uploads cannot both spend the same allowance.
#pragma once

#include "ServiceConfig.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace lirno::service
{
enum class ChargeOutcome
{
    Charged,
    NoKey,
    UnknownKey,
    Insufficient,
};

struct Charge
{
    ChargeOutcome outcome = ChargeOutcome::UnknownKey;
    std::int32_t user_id = 0;
    std::int64_t remaining = 0; // after the charge when charged, else what is left
    std::string top_up_url;
};

class Accounts
{
public:
    explicit Accounts(const ServiceConfig& config);

    bool Known(const std::string& key) const;
    // Deducts `characters` from the key's allowance when it covers them.
    Charge Reserve(const std::string& key, std::int64_t characters);
    // Gives back a reservation whose task could not be accepted after all.
    void Refund(const std::string& key, std::int64_t characters);

private:
    mutable std::mutex mutex_;
    std::vector<AccountConfig> accounts_;
    std::string default_top_up_url_;
};
} // namespace lirno::service
