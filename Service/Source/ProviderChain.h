// Picks the provider for a request and a culture, and hands whatever it cannot translate to
// the configured fallback, so one culture without a provider never fails a task.
#pragma once

#include "Provider.h"
#include "ServiceConfig.h"

#include <map>
#include <memory>

namespace lirno::service
{
struct ChainResult
{
    std::vector<std::optional<std::string>> texts;  // empty optional: left untranslated
    std::vector<std::string> origins;               // per text: its archive "Origin", empty if untranslated
    std::map<std::string, std::size_t> by_provider; // texts each provider translated
};

class ProviderChain
{
public:
    // Providers are looked up by name: the configuration's names, plus any a test adds.
    ProviderChain(const ServiceConfig& config, std::vector<std::unique_ptr<Provider>> providers);

    // The provider name a TranslatorType header value selects.
    std::string ProviderNameFor(int translator_type) const;
    bool IsPseudoCulture(std::string_view culture) const;
    // Whether texts of the pair can get anything at all: a provider that supports it, the
    // fallback, or pseudo-localization for a pseudo culture.
    bool Serves(std::string_view provider_name, const LanguagePair& pair) const;

    ChainResult Translate(std::string_view provider_name, const LanguagePair& pair,
                          const std::vector<std::string>& texts);

private:
    Provider* Find(std::string_view name) const;
    std::vector<Provider*> ChainFor(std::string_view provider_name, const LanguagePair& pair) const;

    std::string default_provider_;
    std::map<int, std::string> translator_types_;
    std::string fallback_;
    std::vector<std::string> pseudo_cultures_;
    std::vector<std::unique_ptr<Provider>> providers_;
};

// The standard set: pseudo-localization and apertium.
std::vector<std::unique_ptr<Provider>> MakeStandardProviders(const ServiceConfig& config);
} // namespace lirno::service
