#include "ProviderChain.h"

#include "ApertiumProvider.h"
#include "ProtectedText.h"
#include "PseudoProvider.h"

namespace lirno::service
{
ProviderChain::ProviderChain(const ServiceConfig& config, std::vector<std::unique_ptr<Provider>> providers)
    : default_provider_(config.default_provider), translator_types_(config.translator_types),
      fallback_(config.fallback), providers_(std::move(providers))
{
}

std::string ProviderChain::ProviderNameFor(int translator_type) const
{
    const auto it = translator_types_.find(translator_type);
    return it != translator_types_.end() ? it->second : default_provider_;
}

Provider* ProviderChain::Find(std::string_view name) const
{
    for (const auto& provider : providers_)
    {
        if (provider->Name() == name)
            return provider.get();
    }
    return nullptr;
}

ChainResult ProviderChain::Translate(std::string_view provider_name, const LanguagePair& pair,
                                     const std::vector<std::string>& texts)
{
    ChainResult result;
    result.texts.resize(texts.size());
    std::vector<Provider*> chain;
    if (Provider* chosen = Find(provider_name); chosen && chosen->Supports(pair))
        chain.push_back(chosen);
    if (Provider* fallback = Find(fallback_); fallback && (chain.empty() || fallback != chain.front()))
        chain.push_back(fallback);

    std::vector<std::size_t> pending(texts.size());
    for (std::size_t i = 0; i < pending.size(); ++i)
        pending[i] = i;
    for (Provider* provider : chain)
    {
        if (pending.empty())
            break;
        std::vector<std::string> batch;
        batch.reserve(pending.size());
        for (const std::size_t i : pending)
            batch.push_back(texts[i]);
        auto translated = provider->Translate(pair, batch);
        std::vector<std::size_t> still_pending;
        for (std::size_t k = 0; k < pending.size(); ++k)
        {
            // Checked here for every provider: a damaged placeholder would break the game at run time.
            if (k < translated.size() && translated[k] &&
                ProtectedRunsIntact(texts[pending[k]], *translated[k]))
            {
                result.texts[pending[k]] = std::move(translated[k]);
                ++result.by_provider[std::string(provider->Name())];
            }
            else
                still_pending.push_back(pending[k]);
        }
        pending = std::move(still_pending);
    }
    return result;
}

std::vector<std::unique_ptr<Provider>> MakeStandardProviders(const ServiceConfig& config)
{
    std::vector<std::unique_ptr<Provider>> providers;
    providers.push_back(std::make_unique<PseudoProvider>());
    providers.push_back(std::make_unique<ApertiumProvider>(config.apertium));
    return providers;
}
} // namespace lirno::service
