// Pseudo-localization: accents every Latin letter, doubles the vowels to stretch the text by
// about a third, and brackets it, so untranslated, truncated or concatenated texts stand out
// in the game. Deterministic and offline; placeholders and markup pass through untouched.
#pragma once

#include "Provider.h"

namespace lirno::service
{
std::string PseudoLocalize(std::string_view text);

inline constexpr std::string_view PseudoProviderName = "pseudo";

class PseudoProvider final : public Provider
{
public:
    std::string_view Name() const override { return PseudoProviderName; }
    bool Supports(const LanguagePair&) const override { return true; }
    std::vector<std::optional<std::string>> Translate(const LanguagePair& pair,
                                                      const std::vector<std::string>& texts) override;
};
} // namespace lirno::service
