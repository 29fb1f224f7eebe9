#include "Accounts.h"

namespace lirno::service
{
Accounts::Accounts(const ServiceConfig& config)
    : accounts_(config.accounts), default_top_up_url_(config.top_up_url)
{
}

bool Accounts::Known(const std::string& key) const
{
    std::lock_guard lock(mutex_);
    for (const AccountConfig& account : accounts_)
    {
        if (account.key == key)
            return true;
    }
    return false;
}

Charge Accounts::Reserve(const std::string& key, std::int64_t characters)
{
    std::lock_guard lock(mutex_);
    for (AccountConfig& account : accounts_)
    {
        if (account.key != key)
            continue;
        Charge charge;
        charge.user_id = account.user_id;
        charge.top_up_url = account.top_up_url.empty() ? default_top_up_url_ : account.top_up_url;
        if (characters > account.allowance)
        {
            charge.outcome = ChargeOutcome::Insufficient;
            charge.remaining = account.allowance;
            return charge;
        }
        account.allowance -= characters;
        charge.outcome = ChargeOutcome::Charged;
        charge.remaining = account.allowance;
        return charge;
    }
    Charge refused;
    refused.outcome = key.empty() ? ChargeOutcome::NoKey : ChargeOutcome::UnknownKey;
    return refused;
}

void Accounts::Refund(const std::string& key, std::int64_t characters)
{
    std::lock_guard lock(mutex_);
    for (AccountConfig& account : accounts_)
    {
        if (account.key == key)
            account.allowance += characters;
    }
}
} // namespace lirno::service
