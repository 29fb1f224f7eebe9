// An ordered map keyed by localization target name. Target names compare without regard to
// letter case; inserting an existing key replaces that entry's key and value where it stands,
// so the order stays the order in which targets were first seen.
#pragma once

#include "AsciiCase.h"

#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace lirno
{
template <class V> class TTargetMap
{
public:
    using FEntry = std::pair<std::string, V>;

    void Add(std::string key, V value)
    {
        const std::string folded = host::ToLowerAscii(key);
        if (const auto found = Index.find(folded); found != Index.end())
        {
            Entries[found->second] = FEntry{std::move(key), std::move(value)};
            return;
        }
        Index.emplace(folded, Entries.size());
        Entries.emplace_back(std::move(key), std::move(value));
    }

    const V* Find(std::string_view key) const
    {
        const auto found = Index.find(host::ToLowerAscii(key));
        return found == Index.end() ? nullptr : &Entries[found->second].second;
    }

    auto begin() const { return Entries.begin(); }
    auto end() const { return Entries.end(); }

private:
    std::vector<FEntry> Entries;
    std::unordered_map<std::string, std::size_t> Index;
};
} // namespace lirno
