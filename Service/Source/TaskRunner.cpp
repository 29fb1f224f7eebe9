#include "TaskRunner.h"

#include "ResultPackage.h"

#include <LocFormat/Origin.h>
#include <Util/Utf.h>
#include <map>

namespace lirno::service
{
namespace
{
// Small enough that progress moves while apertium works, large enough to keep one child
// process busy per batch.
constexpr std::size_t BatchTexts = 400;
constexpr std::size_t BatchCharacters = 16000;

struct Tally
{
    std::size_t translated = 0;
    std::size_t untranslated = 0;
    std::size_t machine = 0; // machine output, to be reviewed
    std::map<std::string, std::size_t> by_provider;
    std::map<std::string, std::size_t> unserved; // culture to texts no provider serves
};

std::string JoinNames(const std::vector<std::string>& names)
{
    std::string out;
    for (const std::string& name : names)
        out += (out.empty() ? "" : ", ") + name;
    return out;
}

std::string Summary(const WorkPlan& plan, const Tally& tally)
{
    std::vector<std::string> cultures;
    for (const CultureWork& work : plan.cultures)
    {
        bool seen = false;
        for (const std::string& c : cultures)
            seen = seen || c == work.pair.target_culture;
        if (!seen)
            cultures.push_back(work.pair.target_culture);
    }
    if (plan.texts == 0)
        return "Nothing to translate: every text of " + JoinNames(plan.targets) +
               " already has a translation. Set TranslateAll to translate everything again.";
    std::string providers;
    for (const auto& [name, count] : tally.by_provider)
        providers += (providers.empty() ? "" : ", ") + name + " " + std::to_string(count);
    std::string message = "Translation finished: " + std::to_string(tally.translated) + " texts (" +
                          std::to_string(plan.characters) + " characters) of " + JoinNames(plan.targets) +
                          " into " + JoinNames(cultures) + ". Providers: " + providers + ".";
    if (tally.machine > 0)
        message += " " + std::to_string(tally.machine) +
                   " texts are machine output, marked \"Origin\": \"machine\" in the archives, for review.";
    if (!tally.unserved.empty())
    {
        std::string cultures_left;
        std::size_t texts = 0;
        for (const auto& [culture, count] : tally.unserved)
        {
            cultures_left += (cultures_left.empty() ? "" : ", ") + culture;
            texts += count;
        }
        message += " Nothing for " + cultures_left + " (" + std::to_string(texts) +
                   " texts): no machine translation is available for the language, and "
                   "pseudo-localization is only written to pseudo cultures or when the service's fallback is "
                   "\"pseudo\".";
    }
    if (tally.untranslated > 0)
        message += " Left untranslated in all: " + std::to_string(tally.untranslated) + ".";
    return message;
}

bool TranslateCulture(CultureWork& work, ProviderChain& chain, const std::string& provider_name, Tally& tally,
                      std::size_t& done, const ProgressSink& progress)
{
    if (!work.pending.empty() && !chain.Serves(provider_name, work.pair))
        tally.unserved[work.pair.target_culture] += work.pending.size();
    std::size_t next = 0;
    while (next < work.pending.size())
    {
        std::vector<std::string> texts;
        std::size_t characters = 0;
        const std::size_t first = next;
        while (next < work.pending.size() && texts.size() < BatchTexts &&
               (texts.empty() || characters < BatchCharacters))
        {
            const std::string& source = work.archive.Entries[work.pending[next++]].Source;
            characters += util::CountCodePoints(source);
            texts.push_back(source);
        }
        ChainResult result = chain.Translate(provider_name, work.pair, texts);
        for (std::size_t k = 0; k < texts.size(); ++k)
        {
            if (result.texts[k])
            {
                auto& entry = work.archive.Entries[work.pending[first + k]];
                entry.Translation = std::move(*result.texts[k]);
                locformat::SetOrigin(entry, result.origins[k]);
                ++tally.translated;
                if (result.origins[k] != locformat::OriginPseudo)
                    ++tally.machine;
            }
            else
                ++tally.untranslated;
        }
        for (const auto& [name, count] : result.by_provider)
            tally.by_provider[name] += count;
        done += characters;
        if (!progress(done))
            return false;
    }
    return true;
}
} // namespace

TaskOutcome RunPlan(WorkPlan& plan, ProviderChain& chain, const std::string& provider_name,
                    const ProgressSink& progress)
{
    TaskOutcome outcome;
    Tally tally;
    std::size_t done = 0;
    std::vector<PackageEntry> files;
    for (CultureWork& work : plan.cultures)
    {
        if (!TranslateCulture(work, chain, provider_name, tally, done, progress))
        {
            outcome.message = "The service stopped before the translation finished.";
            return outcome;
        }
        auto file = FinishCulture(work, outcome.message);
        if (!file)
            return outcome;
        files.push_back(std::move(*file));
        // The parsed archive is no longer needed; large tasks should not hold it twice.
        work.archive = {};
    }
    auto package = MakeResultPackage(files, outcome.message);
    if (!package)
    {
        outcome.message = "The result package could not be built: " + outcome.message;
        return outcome;
    }
    outcome.ok = true;
    outcome.file_b64 = std::move(*package);
    outcome.message = Summary(plan, tally);
    return outcome;
}
} // namespace lirno::service
