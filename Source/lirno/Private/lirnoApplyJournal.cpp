#include "lirnoApplyJournal.h"

#include "Host.h"
#include "lirnoFileHelper.h"

#include <fmt/format.h>

#include <cstdint>
#include <optional>
#include <set>
#include <span>
#include <string_view>

namespace lirno
{
namespace
{
constexpr std::string_view StagedSuffix = ".lirno-stage";
constexpr std::string_view JournalName = "lirno_apply.journal";
constexpr std::string_view JournalHeader = "lirno-apply-journal 1";
constexpr std::string_view JournalEnd = "end";
// Left by the host's whole-file writes of the processed package, and by the zip engine's
// extraction, when the process died during them.
const std::string ProcessedTempPrefix = std::string(ProcessedFileName) + ".tmp";
constexpr std::string_view ExtractionTempPrefix = ".zipx-";
constexpr std::string_view ExtractionTempSuffix = ".tmp";
// A damaged or hostile journal must not flood the log.
constexpr int MaxReportedIgnoredLines = 10;
constexpr std::size_t MaxShownPathLength = 200;

std::string WithoutTrailingSeparator(std::string folder)
{
    while (folder.size() > 1 && folder.back() == '/')
    {
        folder.pop_back();
    }
    return folder;
}

// A path that names a file below the folder and nothing else: relative, made of plain parts
// separated by "/" (no empty, "." or ".." part, no backslash or drive colon), no control
// characters. Paths written by Commit always pass; anything else in a journal is ignored.
bool IsSafeRelativePath(std::string_view path)
{
    if (path.empty() || path.front() == '/')
    {
        return false;
    }
    for (const char c : path)
    {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || c == '\\' || c == ':')
        {
            return false;
        }
    }
    std::size_t start = 0;
    for (;;)
    {
        const std::size_t end = path.find('/', start);
        const std::string_view part = path.substr(start, end == std::string_view::npos ? path.npos : end - start);
        if (part.empty() || part == "." || part == "..")
        {
            return false;
        }
        if (end == std::string_view::npos)
        {
            return true;
        }
        start = end + 1;
    }
}

// The part of `path` below `folder`, or nothing when it is not below it.
std::optional<std::string> RelativeTo(const std::string& folder, const std::string& path)
{
    if (path.size() <= folder.size() + 1 || !std::string_view(path).starts_with(folder) || path[folder.size()] != '/')
    {
        return std::nullopt;
    }
    return path.substr(folder.size() + 1);
}

// Control characters escaped and the length bounded, for a log line.
std::string Printable(std::string_view text)
{
    std::string shown;
    for (const char c : text.substr(0, MaxShownPathLength))
    {
        const auto byte = static_cast<unsigned char>(c);
        shown += byte < 0x20 || byte == 0x7F ? fmt::format("\\x{:02X}", byte) : std::string(1, c);
    }
    return text.size() > MaxShownPathLength ? shown + "..." : shown;
}

std::string JournalText(const std::vector<std::string>& relativeTargets)
{
    std::string text = std::string(JournalHeader) + "\n";
    for (const auto& relative : relativeTargets)
    {
        text += relative + "\n";
    }
    return text + std::string(JournalEnd) + "\n";
}

// The listed lines of a complete journal, or nothing when it is incomplete or not a journal.
std::optional<std::vector<std::string_view>> JournalEntries(std::string_view text)
{
    if (std::string_view(text).ends_with("\n"))
    {
        text.remove_suffix(1);
    }
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (;;)
    {
        const std::size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end == std::string_view::npos ? text.npos : end - start));
        if (end == std::string_view::npos)
        {
            break;
        }
        start = end + 1;
    }
    if (lines.size() < 2 || lines.front() != JournalHeader || lines.back() != JournalEnd)
    {
        return std::nullopt;
    }
    return std::vector<std::string_view>(lines.begin() + 1, lines.end() - 1);
}

bool WriteText(const std::string& path, const std::string& text)
{
    return host::File::WriteAllDurably(
        path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

// Rolls a complete journal forward. Gives the staged files (relative) it still needs because
// their rename failed; those, and the journal, stay for the next attempt.
std::set<std::string> RollForward(const std::string& folder, const std::vector<std::string_view>& entries,
                                  std::vector<std::string>& report)
{
    std::set<std::string> stillNeeded;
    int ignored = 0;
    for (const auto entry : entries)
    {
        if (!IsSafeRelativePath(entry))
        {
            if (++ignored <= MaxReportedIgnoredLines)
            {
                report.push_back("Ignored the apply journal line \"" + Printable(entry) + "\"");
            }
            continue;
        }
        const std::string target = folder + "/" + std::string(entry);
        const std::string staged = lirnoApplyJournal::StagedPathFor(target);
        if (!host::File::Exists(staged))
        {
            continue; // replaced before the interruption
        }
        if (host::File::Rename(staged, target))
        {
            report.push_back("Completed an interrupted apply: replaced " + Printable(entry));
        }
        else
        {
            report.push_back("Could not replace " + Printable(entry) +
                             " to complete an interrupted apply; trying again at the next start");
            stillNeeded.insert(std::string(entry) + std::string(StagedSuffix));
        }
    }
    if (ignored > MaxReportedIgnoredLines)
    {
        report.push_back(fmt::format("Ignored {} more apply journal lines", ignored - MaxReportedIgnoredLines));
    }
    return stillNeeded;
}

bool IsLeftover(const std::string& relative, const std::set<std::string>& stillNeeded)
{
    const std::size_t slash = relative.rfind('/');
    const std::string_view name =
        std::string_view(relative).substr(slash == std::string::npos ? 0 : slash + 1);
    if (std::string_view(relative).ends_with(StagedSuffix))
    {
        return !stillNeeded.contains(relative);
    }
    if (std::string_view(name).starts_with(ExtractionTempPrefix) && std::string_view(name).ends_with(ExtractionTempSuffix))
    {
        return true;
    }
    return slash == std::string::npos && std::string_view(name).starts_with(ProcessedTempPrefix);
}
} // namespace

std::string lirnoApplyJournal::StagedPathFor(const std::string& target)
{
    return target + std::string(StagedSuffix);
}

bool lirnoApplyJournal::IsOwnName(std::string_view name)
{
    const std::string_view base = name.substr(name.rfind('/') + 1);
    return base.starts_with(JournalName) || name.ends_with(StagedSuffix);
}

std::string lirnoApplyJournal::JournalPath(const std::string& folder)
{
    return lirnoFileHelper::JoinPath(folder, JournalName);
}

void lirnoApplyJournal::Discard(const std::vector<FStagedFile>& files)
{
    for (const auto& file : files)
    {
        host::File::Delete(file.Staged);
    }
}

bool lirnoApplyJournal::Commit(const std::string& folder, const std::vector<FStagedFile>& files, std::string& error)
{
    error.clear();
    if (files.empty())
    {
        return true;
    }
    const std::string base = WithoutTrailingSeparator(folder);
    const std::string journal = JournalPath(base);
    const auto refuse = [&](std::string reason) {
        Discard(files);
        error = std::move(reason) + "; nothing was changed.";
        return false;
    };
    if (host::File::Exists(journal))
    {
        // Overwriting it would lose the roll-forward of an earlier commit.
        return refuse("An interrupted apply is still pending in " + journal + " (restart the editor to complete it)");
    }
    std::vector<std::string> relativeTargets;
    std::set<std::string> seen;
    for (const auto& file : files)
    {
        const auto relative = RelativeTo(base, file.Target);
        if (!relative || !IsSafeRelativePath(*relative) || !seen.insert(*relative).second)
        {
            return refuse("Cannot apply " + Printable(file.Target) + ": not a single file below " + base);
        }
        if (file.Staged != StagedPathFor(file.Target) || !host::File::Exists(file.Staged))
        {
            return refuse("The staged file for " + Printable(file.Target) + " is missing");
        }
        relativeTargets.push_back(*relative);
    }

    // Complete or absent: written whole under another name, then renamed into place.
    const std::string temp = journal + ".tmp";
    if (!WriteText(temp, JournalText(relativeTargets)) || !host::File::Rename(temp, journal))
    {
        host::File::Delete(temp);
        host::File::Delete(journal);
        return refuse("Could not write the apply journal " + journal);
    }

    for (std::size_t i = 0; i < files.size(); ++i)
    {
        if (!host::File::Rename(files[i].Staged, files[i].Target))
        {
            error = fmt::format("Could not replace {} after {} of {} files were replaced; the remaining files "
                                "are replaced when the editor next starts.",
                                Printable(files[i].Target), i, files.size());
            return false;
        }
    }
    // A journal left behind lists no staged file any more: Recover only removes it.
    host::File::Delete(journal);
    return true;
}

std::vector<std::string> lirnoApplyJournal::Recover(const std::string& folder)
{
    std::vector<std::string> report;
    const std::string base = WithoutTrailingSeparator(folder);
    const std::string journal = JournalPath(base);

    std::set<std::string> stillNeeded;
    if (host::File::Exists(journal))
    {
        std::string text;
        const auto entries = host::File::ReadAllText(journal, text) ? JournalEntries(text) : std::nullopt;
        if (!entries)
        {
            report.push_back("Removed an incomplete apply journal; its staged files are discarded");
            host::File::Delete(journal);
        }
        else
        {
            stillNeeded = RollForward(base, *entries, report);
            if (stillNeeded.empty())
            {
                host::File::Delete(journal);
            }
        }
    }
    if (host::File::Delete(journal + ".tmp"))
    {
        report.push_back("Removed an unfinished apply journal; its staged files are discarded");
    }

    for (const auto& path : host::File::ListFiles(base))
    {
        const auto relative = RelativeTo(base, path);
        if (relative && *relative != JournalName && IsLeftover(*relative, stillNeeded) && host::File::Delete(path))
        {
            report.push_back("Removed the leftover file " + Printable(*relative));
        }
    }
    return report;
}
} // namespace lirno
