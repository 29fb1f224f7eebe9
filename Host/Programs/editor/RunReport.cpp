#include "RunReport.h"

#include "EditorHost.h"
#include "RunReportPage.h"

#include <nlohmann/json.hpp>

#include <ctime>
#include <fstream>

namespace editor
{
std::string UtcNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    ::gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

bool WriteRunReport(const std::string& path, const FRunFacts& facts, host::FEditorHost& host,
                    std::string& error)
{
    using Json = nlohmann::ordered_json;
    Json report;
    report["editorVersion"] = LIRNO_VERSION;
    Json plugins = Json::array();
    for (const auto& plugin : host.Plugins().All())
    {
        plugins.push_back({{"name", plugin.Name}, {"version", plugin.Version}});
    }
    report["plugins"] = std::move(plugins);
    report["command"] = facts.CommandLine;
    report["started"] = facts.Started;
    report["ended"] = facts.Ended;
    report["exitStatus"] = facts.ExitStatus;
    report["meaning"] = facts.Meaning;
    Json dialogs = Json::array();
    for (const auto& dialog : host.Terminal().Dialogs())
    {
        Json item{{"kind", dialog.Kind}, {"text", dialog.Text}};
        if (!dialog.Answer.empty())
        {
            item["answer"] = dialog.Answer;
        }
        dialogs.push_back(std::move(item));
    }
    report["dialogs"] = std::move(dialogs);
    Json phases = Json::array();
    for (const auto& phase : host.Terminal().Phases())
    {
        phases.push_back({{"title", phase.Title}, {"seconds", phase.Seconds}});
    }
    report["phases"] = std::move(phases);
    Json steps = Json::array();
    for (const auto& [config, exitCode, seconds] : host::FEditorHost::FinishedSteps())
    {
        steps.push_back({{"config", config}, {"exitCode", exitCode}, {"seconds", seconds}});
    }
    report["steps"] = std::move(steps);
    report["problems"] = host.EditorLog().Problems();
    Json cultures = Json::array();
    for (const FCultureChanges& culture : facts.Changes.Cultures)
    {
        Json notes = Json::array();
        for (const FEntryNote& note : culture.Notes)
        {
            notes.push_back({{"entry", note.Entry},
                             {"source", note.Source},
                             {"translation", note.Translation},
                             {"reason", note.Reason}});
        }
        cultures.push_back({{"target", culture.Target},
                            {"culture", culture.Culture},
                            {"changed", culture.Changed},
                            {"added", culture.Added},
                            {"emptied", culture.Emptied},
                            {"kept", culture.Kept},
                            {"notApplied", std::move(notes)}});
    }
    report["localization"] = {{"cultures", std::move(cultures)},
                              {"filesAdded", facts.Changes.FilesAdded},
                              {"filesChanged", facts.Changes.FilesChanged},
                              {"filesRemoved", facts.Changes.FilesRemoved}};
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    // Texts from outside may hold bytes that are not UTF-8; they are replaced, never fatal.
    if (path.ends_with(".html"))
    {
        out << RunReportPage(report, facts.Changes);
    }
    else
    {
        out << report.dump(1, '\t', false, Json::error_handler_t::replace) << "\n";
    }
    out.close();
    if (!out)
    {
        error = "cannot write the report " + path;
        return false;
    }
    return true;
}
} // namespace editor
