// Localizable text: a namespace and key for translators, and the source text shown today.
#pragma once

#include <string>

namespace host
{
struct FText
{
    std::string Namespace;
    std::string Key;
    std::string Source;

    const std::string& ToString() const { return Source; }
    bool operator==(const FText&) const = default;
};

inline FText LocText(std::string ns, std::string key, std::string source)
{
    return FText{std::move(ns), std::move(key), std::move(source)};
}
} // namespace host
