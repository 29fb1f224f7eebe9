// A machine-translation provider: turns a batch of texts of one culture into another.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lirno::service
{
struct LanguagePair
{
    std::string source_culture; // as the project names it: "en", "en-US"
    std::string target_culture;
};

class Provider
{
public:
    virtual ~Provider() = default;
    virtual std::string_view Name() const = 0;
    virtual bool Supports(const LanguagePair& pair) const = 0;
    // One result per text, in order; an empty optional marks a text this provider could not
    // translate, which the chain hands to its fallback. Must not throw.
    virtual std::vector<std::optional<std::string>> Translate(const LanguagePair& pair,
                                                              const std::vector<std::string>& texts) = 0;
};
} // namespace lirno::service
