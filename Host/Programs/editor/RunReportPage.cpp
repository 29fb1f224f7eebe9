#include "RunReportPage.h"

#include <Util/Html.h>

namespace editor
{
namespace
{
std::string Escape(const std::string& text)
{
    return util::HtmlEscaped(text);
}

std::string Text(const nlohmann::ordered_json& value)
{
    return Escape(value.is_string()
                      ? value.get<std::string>()
                      : value.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace));
}

// A list of the report's array as table rows, one column per member named.
std::string Table(const nlohmann::ordered_json& items, std::initializer_list<const char*> columns)
{
    std::string html = "<table><tr>";
    for (const char* column : columns)
    {
        html += std::string("<th>") + column + "</th>";
    }
    html += "</tr>";
    for (const auto& item : items)
    {
        html += "<tr>";
        for (const char* column : columns)
        {
            html += "<td>" +
                    (item.is_object() ? (item.contains(column) ? Text(item[column]) : std::string())
                                      : Text(item)) +
                    "</td>";
        }
        html += "</tr>";
    }
    return html + "</table>\n";
}
} // namespace

std::string RunReportPage(const nlohmann::ordered_json& report, const FLocalizationChanges& changes)
{
    std::string html =
        "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Editor run report</title>"
        "<style>body{font-family:sans-serif;margin:1em}table{border-collapse:collapse;margin:.5em 0}"
        "td,th{border:1px solid #999;padding:2px 6px;vertical-align:top;text-align:left}"
        ".emptied{background:#fdd}.pseudo{background:#ffd}.refused{background:#fde8c8}</style></head><body>\n";
    html += "<h1>Editor run report</h1>\n<p>" + Text(report["command"]) + "</p>\n<p>Exit status " +
            Text(report["exitStatus"]) + ": " + Text(report["meaning"]) + " (" + Text(report["started"]) +
            " to " + Text(report["ended"]) + ", editor " + Text(report["editorVersion"]) + ")</p>\n";
    html += "<h2>Messages and questions</h2>\n" + Table(report["dialogs"], {"kind", "text", "answer"});
    html += "<h2>Phases</h2>\n" + Table(report["phases"], {"title", "seconds"});
    html += "<h2>Localization steps</h2>\n" + Table(report["steps"], {"config", "exitCode", "seconds"});
    html += "<h2>Warnings and errors</h2>\n" + Table(report["problems"], {"line"});
    html += "<h2>Translations</h2>\n";
    for (const FCultureChanges& culture : changes.Cultures)
    {
        if (culture.Texts.empty() && culture.Notes.empty())
        {
            continue;
        }
        html += "<h3>" + Escape(culture.Target + "/" + culture.Culture) + ": " +
                std::to_string(culture.Added + culture.Changed) + " translated, " +
                std::to_string(culture.Kept) + " kept, " + std::to_string(culture.Emptied) +
                " emptied, " + std::to_string(culture.Notes.size()) + " not applied</h3>\n<table><tr><th>Key</th><th>Source</th>"
                "<th>Before</th><th>After</th><th>Origin</th></tr>";
        for (const FTextChange& text : culture.Texts)
        {
            const bool pseudo = text.Origin.find("pseudo") != std::string::npos;
            html += std::string("<tr") +
                    (text.After.empty() ? " class=\"emptied\""
                     : pseudo           ? " class=\"pseudo\""
                                        : "") +
                    "><td>" + Escape(text.Namespace + "," + text.Key) + "</td><td>" + Escape(text.Source) +
                    "</td><td>" + Escape(text.Before) + "</td><td>" + Escape(text.After) + "</td><td>" +
                    Escape(text.Origin) + "</td></tr>";
        }
        html += "</table>\n";
        if (culture.Notes.empty())
        {
            continue;
        }
        html += "<h4>Not applied: " + std::to_string(culture.Notes.size()) +
                "</h4>\n<table><tr><th>Key</th><th>Source</th><th>Translation now</th><th>Why</th></tr>";
        for (const FEntryNote& note : culture.Notes)
        {
            html += "<tr class=\"refused\"><td>" + Escape(note.Entry.empty() ? "(whole archive)" : note.Entry) +
                    "</td><td>" + Escape(note.Source) + "</td><td>" + Escape(note.Translation) + "</td><td>" +
                    Escape(note.Reason) + "</td></tr>";
        }
        html += "</table>\n";
    }
    html += "<h2>Files under Content/Localization</h2>\n";
    for (const auto& [title, files] :
         {std::pair{"Added", &changes.FilesAdded}, std::pair{"Changed", &changes.FilesChanged},
          std::pair{"Removed", &changes.FilesRemoved}})
    {
        html += std::string("<h3>") + title + " (" + std::to_string(files->size()) + ")</h3><ul>";
        for (const std::string& file : *files)
        {
            html += "<li>" + Escape(file) + "</li>";
        }
        html += "</ul>\n";
    }
    return html + "</body></html>\n";
}
} // namespace editor
