#include "StepOutput.h"
#include "Steps.h"

#include "LocFormat/Origin.h"
#include "LocFormat/WordCount.h"
#include "LocFormat/WordCountReport.h"

#include <chrono>
#include <ctime>
#include <filesystem>

namespace locstep
{
namespace
{
std::string NowUtc()
{
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm parts{};
    gmtime_r(&now, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &parts);
    return text;
}
} // namespace

bool RunWordCountReport(const FStepConfig& config, std::string& error)
{
    locformat::FManifest manifest;
    if (!locformat::ReadManifest(config.ManifestPath(config.SourceDir).string(), manifest, error))
    {
        return false;
    }
    std::size_t sourceWords = 0;
    for (const locformat::FManifestEntry& text : manifest.Entries)
    {
        sourceWords += locformat::CountWords(text.Source);
    }
    std::vector<std::pair<std::string, std::string>> cells{
        {std::string(locformat::ReportDateTimeColumn), NowUtc()},
        {std::string(locformat::ReportSourceColumn), std::to_string(sourceWords)}};
    Progress("Source: " + std::to_string(sourceWords) + " words");
    for (const std::string& culture : config.Cultures)
    {
        locformat::FArchive archive;
        bool exists = false;
        if (!ReadArchiveIfPresent(config, culture, archive, exists, error))
        {
            return false;
        }
        const FArchiveIndex index(archive);
        // Indexed by locformat::ETranslationOrigin: human, machine, pseudo.
        std::size_t words[3] = {0, 0, 0};
        for (const locformat::FManifestEntry& text : manifest.Entries)
        {
            if (const locformat::FArchiveEntry* current = index.CurrentTranslation(text))
            {
                words[static_cast<int>(locformat::GetOriginKind(*current))] +=
                    locformat::CountWords(current->Translation);
            }
        }
        Progress("Culture " + culture + ": " + std::to_string(words[0]) + " translated words, " +
                 std::to_string(words[1]) + " machine-translated, " + std::to_string(words[2]) + " pseudo");
        cells.emplace_back(culture, std::to_string(words[0]));
        cells.emplace_back(culture + std::string(locformat::ReportMachineSuffix), std::to_string(words[1]));
        cells.emplace_back(culture + std::string(locformat::ReportPseudoSuffix), std::to_string(words[2]));
    }

    // Earlier runs stay in the report; a report we cannot read is not overwritten.
    const std::string path = (config.DestinationDir / config.ReportName).string();
    locformat::FWordCountReport report;
    std::error_code ec;
    if (std::filesystem::exists(path, ec) && !locformat::ReadWordCountReport(path, report, error))
    {
        return false;
    }
    report.AppendRow(cells);
    if (!locformat::WriteWordCountReport(path, report, error))
    {
        return false;
    }
    Progress("Wrote " + path + " (" + std::to_string(report.Rows.size()) + " runs)");
    return true;
}
} // namespace locstep
