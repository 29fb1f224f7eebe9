#include "ProviderChain.h"

#include "ApertiumProvider.h"
#include "ProtectedText.h"
#include "PseudoProvider.h"

#include <LocFormat/Origin.h>
#include <Util/AsciiCase.h>

namespace lirno::service
{
ProviderChain::ProviderChain(const ServiceConfig& config, std::vector<std::unique_ptr<Provider>> providers)
    : default_provider_(config.default_provider), translator_types_(config.translator_types),
      fallback_(config.fallback), pseudo_cultures_(config.pseudo_cultures), providers_(std::move(providers))
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

bool ProviderChain::IsPseudoCulture(std::string_view culture) const
{
    for (const std::string& pseudo : pseudo_cultures_)
    {
        if (util::StartsWithIgnoreCase(culture, pseudo) &&
            (culture.size() == pseudo.size() || culture[pseudo.size()] == '-' || culture[pseudo.size()] == '_'))
            return true;
    }
    return false;
}

std::vector<Provider*> ProviderChain::ChainFor(std::string_view provider_name, const LanguagePair& pair) const
{
    std::vector<Provider*> chain;
    if (IsPseudoCulture(pair.target_culture))
    {
        if (Provider* pseudo = Find(PseudoProviderName))
            chain.push_back(pseudo);
        return chain;
    }
    if (Provider* chosen = Find(provider_name); chosen && chosen->Supports(pair))
        chain.push_back(chosen);
    if (Provider* fallback = Find(fallback_); fallback && (chain.empty() || fallback != chain.front()))
        chain.push_back(fallback);
    return chain;
}

bool ProviderChain::Serves(std::string_view provider_name, const LanguagePair& pair) const
{
    return !ChainFor(provider_name, pair).empty();
}

ChainResult ProviderChain::Translate(std::string_view provider_name, const LanguagePair& pair,
                                     const std::vector<std::string>& texts)
{
    ChainResult result;
    result.texts.resize(texts.size());
    result.origins.resize(texts.size());
    const std::vector<Provider*> chain = ChainFor(provider_name, pair);

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
                result.origins[pending[k]] = provider->Name() == PseudoProviderName
                                                 ? std::string(locformat::OriginPseudo)
                                                 : locformat::MachineOrigin(provider->Name());
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
