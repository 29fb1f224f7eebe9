#include "ApertiumProvider.h"

#include "ProtectedText.h"

#include <Util/AsciiCase.h>
#include <Util/Html.h>
#include <Util/RunChild.h>
#include <charconv>
#include <spdlog/spdlog.h>
#include <sstream>

namespace lirno::service
{
namespace
{
std::string Language(std::string_view culture)
{
    return util::ToLowerAscii(culture.substr(0, culture.find_first_of("-_")));
}

// Decodes the entities apertium's HTML mode may write back into literal text.
void AppendUnescaped(std::string& out, std::string_view html)
{
    for (std::size_t i = 0; i < html.size(); ++i)
    {
        if (html[i] != '&')
        {
            out += html[i];
            continue;
        }
        const auto end = html.find(';', i);
        const std::string_view entity = end == std::string_view::npos ? "" : html.substr(i + 1, end - i - 1);
        if (entity == "amp")
            out += '&';
        else if (entity == "lt")
            out += '<';
        else if (entity == "gt")
            out += '>';
        else if (entity == "quot")
            out += '"';
        else if (entity == "apos" || entity == "#39")
            out += '\'';
        else
        {
            out += '&';
            continue;
        }
        i = end;
    }
}

// Turns one translated paragraph back into text: tokens become their protected runs again.
std::optional<std::string> Restore(std::string_view paragraph, const std::vector<std::string_view>& runs)
{
    std::string out;
    std::size_t pos = 0;
    while (pos < paragraph.size())
    {
        const auto tag = paragraph.find("<x id=\"", pos);
        AppendUnescaped(
            out, paragraph.substr(pos, tag == std::string_view::npos ? std::string_view::npos : tag - pos));
        if (tag == std::string_view::npos)
            break;
        const std::size_t digits = tag + 7;
        std::size_t index = 0;
        const auto [ptr, ec] =
            std::from_chars(paragraph.data() + digits, paragraph.data() + paragraph.size(), index);
        const std::size_t after = static_cast<std::size_t>(ptr - paragraph.data());
        if (ec != std::errc() || index >= runs.size() || paragraph.substr(after, 3) != "\"/>")
            return std::nullopt;
        out += runs[index];
        pos = after + 3;
    }
    return out;
}
// Dropped words (Spanish leaves out subject pronouns) leave their spaces behind; tidy them
// unless the source itself had such spacing.
std::string TidySpaces(std::string text, std::string_view source)
{
    if (source.find("  ") == std::string_view::npos)
    {
        std::string tidy;
        for (const char c : text)
        {
            if (!(c == ' ' && !tidy.empty() && tidy.back() == ' '))
                tidy += c;
        }
        text = std::move(tidy);
    }
    if (!source.starts_with(' '))
        text.erase(0, text.find_first_not_of(' ') == std::string::npos ? text.size()
                                                                       : text.find_first_not_of(' '));
    if (!source.ends_with(' '))
        text.erase(text.find_last_not_of(' ') + 1);
    return text;
}
} // namespace

std::string ApertiumRequest(const std::vector<std::string>& texts)
{
    std::string html;
    for (std::size_t i = 0; i < texts.size(); ++i)
    {
        html += "<p id=\"s" + std::to_string(i) + "\">";
        std::size_t token = 0;
        for (const TextSegment& segment : SplitProtected(texts[i]))
        {
            if (segment.is_protected)
                html += "<x id=\"" + std::to_string(token++) + "\"/>";
            else
                util::AppendHtmlEscaped(html, segment.text, util::HtmlQuotes::Keep);
        }
        html += "</p>\n";
    }
    return html;
}

std::vector<std::optional<std::string>> ApertiumResponse(const std::vector<std::string>& texts,
                                                         std::string_view output)
{
    std::vector<std::optional<std::string>> results(texts.size());
    std::size_t pos = 0;
    for (std::size_t i = 0; i < texts.size(); ++i)
    {
        const std::string open = "<p id=\"s" + std::to_string(i) + "\">";
        const auto start = output.find(open, pos);
        if (start == std::string_view::npos)
            continue;
        const auto body = start + open.size();
        const auto end = output.find("</p>", body);
        if (end == std::string_view::npos)
            break;
        pos = end + 4;
        std::vector<std::string_view> runs;
        for (const TextSegment& segment : SplitProtected(texts[i]))
        {
            if (segment.is_protected)
                runs.push_back(segment.text);
        }
        if (auto restored = Restore(output.substr(body, end - body), runs))
            results[i] = TidySpaces(std::move(*restored), texts[i]);
    }
    return results;
}

ApertiumProvider::ApertiumProvider(ApertiumConfig config) : config_(std::move(config)) {}

const std::set<std::string>& ApertiumProvider::InstalledModes() const
{
    std::call_once(
        listed_,
        [this]
        {
            const util::ChildResult listed =
                util::RunChild({config_.command, "-l"}, "", std::chrono::seconds(20));
            std::istringstream lines(listed.output);
            for (std::string line; std::getline(lines, line);)
            {
                const auto first = line.find_first_not_of(" \t");
                const auto last = line.find_last_not_of(" \t\r");
                if (first != std::string::npos)
                    installed_.insert(line.substr(first, last - first + 1));
            }
            spdlog::info("apertium: {} mode(s) installed", installed_.size());
        });
    return installed_;
}

std::string ApertiumProvider::ModeFor(const LanguagePair& pair) const
{
    const auto it = config_.modes.find(Language(pair.source_culture) + ">" + Language(pair.target_culture));
    if (it == config_.modes.end() || !InstalledModes().contains(it->second))
        return {};
    return it->second;
}

bool ApertiumProvider::Supports(const LanguagePair& pair) const
{
    return !ModeFor(pair).empty();
}

std::vector<std::optional<std::string>> ApertiumProvider::Translate(const LanguagePair& pair,
                                                                    const std::vector<std::string>& texts)
{
    std::vector<std::optional<std::string>> results(texts.size());
    const std::string mode = ModeFor(pair);
    if (mode.empty())
        return results;
    const auto timeout = std::chrono::milliseconds(static_cast<long long>(config_.timeout_seconds * 1000));
    std::size_t begin = 0;
    while (begin < texts.size())
    {
        // Batches bound the work one child does, so one time-out costs one batch only.
        std::size_t end = begin;
        std::size_t characters = 0;
        while (end < texts.size() &&
               (end == begin || characters + texts[end].size() <= config_.batch_characters))
            characters += texts[end++].size();
        const std::vector<std::string> batch(texts.begin() + static_cast<std::ptrdiff_t>(begin),
                                             texts.begin() + static_cast<std::ptrdiff_t>(end));
        const util::ChildResult run =
            util::RunChild({config_.command, "-u", "-f", "html", mode}, ApertiumRequest(batch), timeout);
        if (run.started && !run.timed_out && run.exit_code == 0)
        {
            auto translated = ApertiumResponse(batch, run.output);
            for (std::size_t i = 0; i < translated.size(); ++i)
                results[begin + i] = std::move(translated[i]);
        }
        else
            spdlog::warn("apertium {}: {} ({} texts fall back)", mode,
                         !run.started    ? "could not start"
                         : run.timed_out ? "timed out"
                                         : "failed: " + run.errors,
                         batch.size());
        begin = end;
    }
    return results;
}
} // namespace lirno::service
