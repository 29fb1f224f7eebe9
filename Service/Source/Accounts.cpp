#include "Accounts.h"

namespace lirno::service
{
Accounts::Accounts(const ServiceConfig& config)
    : accounts_(config.accounts), default_top_up_url_(config.top_up_url)
{
}

std::optional<AccountConfig> Accounts::Find(const std::string& key) const
{
    if (key.empty())
        return std::nullopt;
    for (const AccountConfig& account : accounts_)
    {
        if (account.key != key)
            continue;
        AccountConfig found = account;
        if (found.top_up_url.empty())
            found.top_up_url = default_top_up_url_;
        return found;
    }
    return std::nullopt;
}
} // namespace lirno::service
