// Debian's apertium machine translation, run as a child process per batch of texts. Texts
// travel as HTML paragraphs, protected runs as empty tags, which apertium's HTML mode leaves
// in place; anything that comes back damaged is handed to the fallback.
#pragma once

#include "Provider.h"
#include "ServiceConfig.h"

#include <mutex>
#include <set>

namespace lirno::service
{
class ApertiumProvider final : public Provider
{
public:
    explicit ApertiumProvider(ApertiumConfig config);

    std::string_view Name() const override { return "apertium"; }
    bool Supports(const LanguagePair& pair) const override;
    std::vector<std::optional<std::string>> Translate(const LanguagePair& pair,
                                                      const std::vector<std::string>& texts) override;

    // The mode for a pair ("eng-spa"), empty when none is configured and installed.
    std::string ModeFor(const LanguagePair& pair) const;

private:
    const std::set<std::string>& InstalledModes() const;

    ApertiumConfig config_;
    mutable std::once_flag listed_;
    mutable std::set<std::string> installed_;
};

// Exposed for tests: the request text for a batch, and reading one back.
std::string ApertiumRequest(const std::vector<std::string>& texts);
std::vector<std::optional<std::string>> ApertiumResponse(const std::vector<std::string>& texts,
                                                         std::string_view output);
} // namespace lirno::service
