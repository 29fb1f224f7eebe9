#include "EntryNotes.h"

#include <string_view>
#include <unordered_map>

namespace editor
{
namespace
{
constexpr std::string_view ArchiveExtension = ".archive";

// The first archive path in the line and what follows it; false when there is none.
bool ParseNote(std::string_view line, std::string& culturePath, FParsedNote& note)
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
        culturePath = culture;
        note.Reason = rest.substr(2);
        return true;
    }
    return false;
}
} // namespace

FEntryNotes ParseEntryNotes(const std::vector<std::string>& logLines)
{
    FEntryNotes notes;
    for (const std::string& line : logLines)
    {
        std::string culture;
        FParsedNote note;
        if (ParseNote(line, culture, note))
        {
            notes[culture].push_back(std::move(note));
        }
    }
    return notes;
}

void AttachEntryNotes(const FEntryNotes& notes, const FArchiveTexts& texts, FCultureChanges& culture)
{
    const auto found = notes.find(culture.Target + "/" + culture.Culture);
    if (found == notes.end())
    {
        return;
    }
    // "Namespace/Key" of every entry, as the log names them.
    std::unordered_map<std::string, const FTextState*> index;
    for (const auto& [id, state] : texts)
    {
        index.emplace(id.first + "/" + id.second, &state);
    }
    for (const FParsedNote& parsed : found->second)
    {
        FEntryNote note{parsed.Entry, {}, {}, parsed.Reason};
        const auto entry = parsed.Entry.empty() ? index.end() : index.find(parsed.Entry);
        if (entry != index.end())
        {
            note.Source = entry->second->Source;
            note.Translation = entry->second->Translation;
        }
        culture.Notes.push_back(std::move(note));
    }
}
} // namespace editor
