#include "EntryNotes.h"

#include <string_view>
#include <unordered_map>

namespace editor
{
namespace
{
constexpr std::string_view ArchiveExtension = ".archive";

struct FParsedNote
{
    std::string Culture; // "Target/Culture"
    std::string Entry;   // "Namespace/Key"; empty for the whole file
    std::string Reason;
};

// The first archive path in the line and what follows it; false when there is none.
bool ParseNote(std::string_view line, FParsedNote& note)
{
    for (std::size_t end = line.find(ArchiveExtension); end != std::string_view::npos;
         end = line.find(ArchiveExtension, end + 1))
    {
        // The path starts after the text before it ("...not applied:" or a space).
        const std::size_t colon = line.find_last_of(": ", end);
        const std::size_t start = colon == std::string_view::npos ? 0 : colon + 1;
        const std::string_view path = line.substr(start, end + ArchiveExtension.size() - start);
        const std::size_t fileSlash = path.rfind('/');
        if (fileSlash == std::string_view::npos || fileSlash == 0)
        {
            continue;
        }
        const std::string_view culture = path.substr(0, fileSlash);
        if (culture.find('/') == std::string_view::npos)
        {
            continue;
        }
        std::string_view rest = line.substr(end + ArchiveExtension.size());
        if (rest.starts_with(" ["))
        {
            const std::size_t close = rest.rfind("]: ");
            if (close == std::string_view::npos)
            {
                continue;
            }
            note.Entry = rest.substr(2, close - 2);
            rest = rest.substr(close + 1);
        }
        if (!rest.starts_with(": "))
        {
            continue;
        }
        note.Culture = culture;
        note.Reason = rest.substr(2);
        return true;
    }
    return false;
}
} // namespace

void AttachEntryNotes(const std::vector<std::string>& logLines, const FLocalizationSnapshot& after,
                      FLocalizationChanges& changes)
{
    // "Namespace/Key" of every entry, built for a culture the first time a line names it.
    using FEntries = std::map<std::pair<std::string, std::string>, FTextState>;
    std::unordered_map<std::string, std::unordered_map<std::string, FEntries::const_iterator>> indexes;
    for (const std::string& line : logLines)
    {
        FParsedNote parsed;
        if (!ParseNote(line, parsed))
        {
            continue;
        }
        const auto archive = after.Archives.find(parsed.Culture);
        FCultureChanges* culture = nullptr;
        for (FCultureChanges& candidate : changes.Cultures)
        {
            culture = candidate.Target + "/" + candidate.Culture == parsed.Culture ? &candidate : culture;
        }
        if (archive == after.Archives.end() || !culture)
        {
            continue;
        }
        FEntryNote note;
        note.Reason = std::move(parsed.Reason);
        note.Entry = parsed.Entry;
        if (!parsed.Entry.empty())
        {
            auto [index, fresh] = indexes.try_emplace(parsed.Culture);
            if (fresh)
            {
                for (auto it = archive->second.begin(); it != archive->second.end(); ++it)
                {
                    index->second.emplace(it->first.first + "/" + it->first.second, it);
                }
            }
            const auto entry = index->second.find(parsed.Entry);
            if (entry != index->second.end())
            {
                note.Source = entry->second->second.Source;
                note.Translation = entry->second->second.Translation;
            }
        }
        culture->Notes.push_back(std::move(note));
    }
}
} // namespace editor
