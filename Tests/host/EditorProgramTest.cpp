// The editor program end to end, with the host's test module as its plug-in.
#include "Config.h"
#include "LocalizationFiles.h"
#include "HostTestSupport.h"
#include "LoopbackServer.h"
#include "Paths.h"

#include <Util/ChildProcess.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>

using namespace host;
using namespace host::test;

namespace
{
struct FRun
{
    int Status = -1;
    std::string Out;
    std::string Err;
};

std::string Quote(const std::string& text)
{
    return "'" + text + "'";
}

// Runs the editor with `input` on its standard input.
FRun Editor(const std::string& arguments, const std::string& tag, const std::string& input = {})
{
    const std::string plugins = MakeTestPluginFolder("editor_plugins_" + tag);
    const std::string in = TestRoot() + "editor_" + tag + ".in";
    const std::string out = TestRoot() + "editor_" + tag + ".out";
    const std::string err = TestRoot() + "editor_" + tag + ".err";
    File::WriteAllText(in, input);
    const std::string command = Quote(EDITOR_PATH) + " --plugins " + Quote(plugins) + " " + arguments + " <" +
                                Quote(in) + " >" + Quote(out) + " 2>" + Quote(err);
    const int raw = std::system(command.c_str());
    FRun run;
    run.Status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    File::ReadAllText(out, run.Out);
    File::ReadAllText(err, run.Err);
    return run;
}

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

std::string LastLine(const std::string& text)
{
    const auto end = text.find_last_not_of('\n');
    const auto start = text.rfind('\n', end);
    return end == std::string::npos ? std::string() : text.substr(start + 1, end - start);
}

std::string EditorLog(const std::string& project)
{
    std::string log;
    File::ReadAllText(project + "Saved/Logs/Editor.log", log);
    return log;
}

void SetUserSetting(const std::string& project, const std::string& key, const std::string& value)
{
    const std::string path = project + "Saved/Config/User/Engine.ini";
    FIniDocument doc = FIniDocument::Load(path).value_or(FIniDocument{});
    doc.Set("/Script/hosttestmodule.ModuleSettings", key, value);
    ASSERT_TRUE(doc.Save(path));
}
} // namespace

TEST(EditorSettings, ListsSectionsWithFieldsTooltipsTypesAndValues)
{
    const std::string project = MakeProject("editor_settings_list");
    const FRun run = Editor("settings " + Quote(project), "settings_list");
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_TRUE(Contains(run.Out, "[HostTestSettings]\n  display name: Host test settings\n"
                                  "  description: Settings of the host's test module\n"))
        << run.Out;
    EXPECT_TRUE(Contains(run.Out, "  Mode (string) = message\n    category: Test Setting\n"
                                  "    tooltip: What the action does\n"));
    EXPECT_TRUE(Contains(run.Out, "  Level (enum ELevel {Low=0, Middle=1, High=2}) = High\n"));
    EXPECT_TRUE(Contains(run.Out, "[/Script/hosttestmodule.ModuleSettings]"));

    const FRun key = Editor("settings " + Quote(project) + " HostTestSettings Flag", "settings_key");
    EXPECT_EQ(key.Status, 0);
    EXPECT_EQ(key.Out, "true\n");
}

TEST(EditorSettings, SetsValuesByDisplayNameOrNumberAndSavesPerUser)
{
    const std::string project = MakeProject("editor_settings_set");
    const std::string ini = project + "Saved/Config/User/Engine.ini";
    const std::string section = "/Script/hosttestmodule.ModuleSettings";
    FRun run = Editor("settings " + Quote(project) + " HostTestSettings Level Middle", "set1");
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(ReadIniValue(ini, section, "Level"), "Middle");
    run = Editor("settings " + Quote(project) + " HostTestSettings Level 0", "set2");
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(ReadIniValue(ini, section, "Level"), "Low");
    run = Editor("settings " + Quote(project) + " HostTestSettings Flag false", "set3");
    EXPECT_EQ(run.Status, 0) << run.Err;
    run = Editor("settings " + Quote(project) + " HostTestSettings Level", "set4");
    EXPECT_EQ(run.Out, "Low\n");
    EXPECT_EQ(ReadIniValue(ini, section, "Flag"), "false");
    EXPECT_EQ(ReadIniValue(ini, section, "Mode"), "message"); // one key per field
}

TEST(EditorSettings, RefusesBadSectionKeyOrValueAndWritesNothing)
{
    const std::string project = MakeProject("editor_settings_bad");
    const std::string ini = project + "Saved/Config/User/Engine.ini";
    struct FCase
    {
        std::string Arguments;
        std::string Named;
    };
    for (const FCase& c : {FCase{"Nope Mode x", "Nope"}, FCase{"HostTestSettings Nope x", "Nope"},
                           FCase{"HostTestSettings Level Purple", "Purple"},
                           FCase{"HostTestSettings Level 9", "9"}, FCase{"HostTestSettings Flag yes", "yes"}})
    {
        const FRun run = Editor("settings " + Quote(project) + " " + c.Arguments, "bad");
        EXPECT_EQ(run.Status, 2) << c.Arguments;
        EXPECT_TRUE(Contains(run.Err, c.Named)) << run.Err;
        EXPECT_FALSE(File::Exists(ini)) << c.Arguments;
    }
}

TEST(EditorSettings, AddressesAreCheckedAndNothingIsWrittenForABadOne)
{
    const std::string project = MakeProject("editor_settings_address");
    const std::string ini = project + "Saved/Config/User/Engine.ini";
    struct FCase
    {
        std::string Value;
        std::string Says;
    };
    for (const FCase& c : {FCase{"not-a-url", "is not an http or https address"},
                           FCase{"ftp://127.0.0.1", "is not an http or https address"},
                           FCase{"http://", "is not an http or https address"},
                           FCase{"http://127.0.0.1:8080/", "write it as 'http://127.0.0.1:8080'"}})
    {
        const FRun run = Editor("settings " + Quote(project) + " HostTestSettings Host " + Quote(c.Value), "address");
        EXPECT_EQ(run.Status, 2) << c.Value;
        EXPECT_TRUE(Contains(run.Err, c.Says)) << run.Err;
        EXPECT_FALSE(File::Exists(ini)) << c.Value;
    }
    const FRun run = Editor("settings " + Quote(project) + " HostTestSettings Url not-a-url", "address_url");
    EXPECT_EQ(run.Status, 2);
    EXPECT_FALSE(File::Exists(ini));
    EXPECT_EQ(Editor("settings " + Quote(project) + " HostTestSettings Host https://example.invalid:8443/api",
                     "address_ok")
                  .Status,
              0);
    EXPECT_EQ(ReadIniValue(ini, "/Script/hosttestmodule.ModuleSettings", "Host"), "https://example.invalid:8443/api");
}

TEST(EditorSettings, SecretsComeFromStandardInputOrTheEnvironmentAndAreNeverShown)
{
    const std::string project = MakeProject("editor_settings_secret");
    const std::string ini = project + "Saved/Config/User/Engine.ini";
    const std::string section = "/Script/hosttestmodule.ModuleSettings";
    const std::string secret = "sk-stdin-secret-7781";
    FRun run = Editor("settings " + Quote(project) + " HostTestSettings API_KEY -", "secret_stdin", secret + "\n");
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(ReadIniValue(ini, section, "API_KEY"), secret);
    EXPECT_FALSE(Contains(run.Out + run.Err, "sk-stdin")) << run.Out << run.Err;
    EXPECT_TRUE(Contains(run.Out, "API_KEY = ********7781\n")) << run.Out;
    struct stat info
    {
    };
    ASSERT_EQ(::stat(ini.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    run = Editor("settings " + Quote(project), "secret_list");
    EXPECT_TRUE(Contains(run.Out, "  API_KEY (string) = ********7781\n")) << run.Out;
    EXPECT_FALSE(Contains(run.Out, secret));
    run = Editor("settings " + Quote(project) + " HostTestSettings API_KEY", "secret_show");
    EXPECT_EQ(run.Out, "********7781\n");

    run = Editor("settings " + Quote(project) + " HostTestSettings API_KEY --from-env LIRNO_TEST_UNSET_KEY",
                 "secret_env_missing");
    EXPECT_EQ(run.Status, 2);
    EXPECT_TRUE(Contains(run.Err, "LIRNO_TEST_UNSET_KEY is not set")) << run.Err;
    EXPECT_EQ(ReadIniValue(ini, section, "API_KEY"), secret);
    ::setenv("LIRNO_TEST_KEY", "from-the-environment", 1);
    run = Editor("settings " + Quote(project) + " HostTestSettings API_KEY --from-env LIRNO_TEST_KEY", "secret_env");
    ::unsetenv("LIRNO_TEST_KEY");
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(ReadIniValue(ini, section, "API_KEY"), "from-the-environment");
    EXPECT_FALSE(Contains(run.Err, "visible to other users")) << run.Err;

    // Still taken from the command line, with a warning about who can read it there.
    run = Editor("settings " + Quote(project) + " HostTestSettings API_KEY on-the-line", "secret_line");
    EXPECT_EQ(run.Status, 0);
    EXPECT_TRUE(Contains(run.Err, "visible to other users")) << run.Err;
    EXPECT_EQ(ReadIniValue(ini, section, "API_KEY"), "on-the-line");
    ASSERT_EQ(::stat(ini.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST(EditorMenus, ListsEntriesWithLabelTooltipIconAndOwner)
{
    const std::string project = MakeProject("editor_menus");
    const FRun run = Editor("menus " + Quote(project), "menus");
    EXPECT_EQ(run.Status, 0) << run.Err;
    const std::string icon = TestRoot() + "editor_plugins_menus/HostTest/Resources/Icon16.png 16x16";
    EXPECT_TRUE(Contains(run.Out, "Test.MainMenu\n  section Tools\n    menu entry hosttest.Action\n"
                                  "      label: Test action\n      tooltip: Runs the test action\n"
                                  "      icon: " +
                                      icon + "\n      owner: hosttestmodule\n"))
        << run.Out;
    EXPECT_TRUE(Contains(run.Out, "Test.ToolBar\n  section Plugins\n    toolbar button hosttest.Action\n"));
}

TEST(EditorRun, CompletedCommandBringsUpOutputLogAndExitsZero)
{
    const std::string project = MakeProject("editor_run_message");
    const FRun run = Editor("run " + Quote(project) + " hosttest.Action", "run_message");
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_TRUE(
        Contains(run.Out, "LogHostTest: Display: action message\nmessage: hello from the test module\n"
                          "output log: " +
                              project + "Saved/Logs/Editor.log\n"))
        << run.Out;
    std::string log;
    ASSERT_TRUE(File::ReadAllText(project + "Saved/Logs/Editor.log", log));
    EXPECT_TRUE(Contains(log, "LogHostTest: Display: startup 1\n"));
    EXPECT_TRUE(Contains(log, "LogHostTest: Display: shutdown\n"));
}

TEST(EditorRun, CompletedRunWithAWarningExitsThreeAndTheLogEndsWithTheOutcome)
{
    const std::string project = MakeProject("editor_run_warn");
    FRun run = Editor("run " + Quote(project) + " hosttest.Action", "run_clean");
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_TRUE(Contains(LastLine(EditorLog(project)), "Outcome: exit status 0: the job completed"))
        << EditorLog(project);

    SetUserSetting(project, "Mode", "warn");
    run = Editor("run " + Quote(project) + " hosttest.Action", "run_warn");
    EXPECT_EQ(run.Status, 3) << run.Out << run.Err;
    const std::string log = EditorLog(project);
    EXPECT_TRUE(Contains(log, "LogHostTest: Warning: something needs a look\n")) << log;
    EXPECT_TRUE(Contains(LastLine(log), "Outcome: exit status 3: the job completed, but 0 error(s) and "
                                        "1 warning(s) in the log need a look"))
        << log;
}

TEST(EditorRun, QuietShowsMessagesAndErrorsOnlyAndTheLogKeepsTheRest)
{
    const std::string project = MakeProject("editor_run_quiet");
    FRun run = Editor("run --quiet " + Quote(project) + " hosttest.Action", "run_quiet");
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out, "message: hello from the test module\nsummary: no translations changed\n");
    EXPECT_TRUE(Contains(EditorLog(project), "LogHostTest: Display: action message\n")) << EditorLog(project);

    SetUserSetting(project, "Mode", "warn");
    run = Editor("run --quiet " + Quote(project) + " hosttest.Action", "run_quiet_warn");
    EXPECT_EQ(run.Status, 3) << run.Err;
    EXPECT_EQ(run.Out, "summary: no translations changed\n");
    EXPECT_TRUE(Contains(EditorLog(project), "LogHostTest: Warning: something needs a look\n")) << EditorLog(project);
}

TEST(EditorRun, ReportAndSummaryCountTheTextsARunTranslated)
{
    const std::string project = MakeProject("editor_run_report");
    const std::string folder = project + "Content/Localization/Game/";
    FLocArchive archive{"Game", "es", {{"NS", "A", "One", ""}, {"NS", "B", "Two", "Dos"}, {"NS", "C", "Three", ""}}};
    std::string text;
    std::string error;
    ASSERT_TRUE(LocFiles::ArchiveToText(archive, text, error)) << error;
    ASSERT_TRUE(File::WriteAllText(folder + "es/Game.archive", text));
    ASSERT_TRUE(File::WriteAllText(folder + "Old.txt", "old"));
    SetUserSetting(project, "Mode", "translate");
    const std::string report = TestRoot() + "editor_run_report.json";
    const FRun run = Editor("run " + Quote(project) + " hosttest.Action --report " + Quote(report), "run_report");
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_TRUE(Contains(run.Out, "summary: Game/es: 2 texts translated, 1 kept\n")) << run.Out;

    std::string written;
    ASSERT_TRUE(File::ReadAllText(report, written));
    const auto json = nlohmann::json::parse(written, nullptr, false);
    ASSERT_TRUE(json.is_object()) << written;
    EXPECT_EQ(json["editorVersion"], LIRNO_VERSION);
    EXPECT_EQ(json["exitStatus"], 0);
    EXPECT_EQ(json["meaning"], "the job completed");
    EXPECT_TRUE(Contains(json["command"].get<std::string>(), "--report")) << written;
    const auto& changes = json["localization"];
    EXPECT_EQ(changes["cultures"], nlohmann::json::parse(R"([{"target": "Game", "culture": "es", "changed": 0,
        "added": 2, "emptied": 0, "kept": 1, "notApplied": []}])"));
    EXPECT_EQ(changes["filesChanged"], nlohmann::json::array({"Game/es/Game.archive"}));
    EXPECT_EQ(changes["filesRemoved"], nlohmann::json::array({"Game/Old.txt"}));
    EXPECT_EQ(changes["filesAdded"], nlohmann::json::array());

    // The same run as a page: each changed text with its source, before and after, nothing fetched.
    ASSERT_TRUE(File::WriteAllText(folder + "es/Game.archive", text));
    const std::string page = TestRoot() + "editor_run_report.html";
    EXPECT_EQ(Editor("run " + Quote(project) + " hosttest.Action --report " + Quote(page), "run_page").Status, 0);
    std::string html;
    ASSERT_TRUE(File::ReadAllText(page, html));
    EXPECT_TRUE(Contains(html, "<td>NS,A</td><td>One</td><td></td><td>es:One</td>")) << html;
    EXPECT_FALSE(Contains(html, "<td>NS,B</td>")) << html;
    EXPECT_FALSE(Contains(html, "src=") || Contains(html, "href=") || Contains(html, "<script")) << html;
}

TEST(EditorRun, ReportMarksTheEntriesTheJobDidNotApply)
{
    const std::string project = MakeProject("editor_run_refuse");
    FLocArchive archive{"Game", "es", {{"NS", "A", "One", "Uno"}, {"NS", "C", "<b>Three</b>", "Tres"}}};
    std::string text;
    std::string error;
    ASSERT_TRUE(LocFiles::ArchiveToText(archive, text, error)) << error;
    ASSERT_TRUE(File::WriteAllText(project + "Content/Localization/Game/es/Game.archive", text));
    SetUserSetting(project, "Mode", "refuse");
    const std::string report = TestRoot() + "editor_run_refuse.json";
    EXPECT_EQ(Editor("run " + Quote(project) + " hosttest.Action --report " + Quote(report), "run_refuse").Status, 3);
    std::string written;
    ASSERT_TRUE(File::ReadAllText(report, written));
    const auto json = nlohmann::json::parse(written, nullptr, false);
    ASSERT_TRUE(json.is_object()) << written;
    // Known entries carry their texts, an entry the archive lacks only its name; another culture's
    // line finds no archive and is left out.
    EXPECT_EQ(json["localization"]["cultures"][0]["notApplied"], nlohmann::json::parse(R"([
        {"entry": "NS/C", "source": "<b>Three</b>", "translation": "Tres", "reason": "markup differs"},
        {"entry": "NS/Z", "source": "", "translation": "", "reason": "not uploaded"},
        {"entry": "", "source": "", "translation": "", "reason": "unreadable"}])"))
        << written;

    const std::string page = TestRoot() + "editor_run_refuse.html";
    Editor("run " + Quote(project) + " hosttest.Action --report " + Quote(page), "run_refuse_page");
    std::string html;
    ASSERT_TRUE(File::ReadAllText(page, html));
    EXPECT_TRUE(Contains(html, "<tr class=\"refused\"><td>NS/C</td><td>&lt;b&gt;Three&lt;/b&gt;</td><td>Tres</td>"
                               "<td>markup differs</td></tr>"))
        << html;
}

TEST(EditorRun, InterruptEndsWith130AndSaysSo)
{
    for (const int signal : {SIGINT, SIGTERM})
    {
        const std::string tag = "run_interrupt_" + std::to_string(signal);
        const std::string project = MakeProject("editor_" + tag);
        SetUserSetting(project, "Mode", "hang");
        const std::string plugins = MakeTestPluginFolder("editor_plugins_" + tag);
        const std::string err = TestRoot() + "editor_" + tag + ".err";
        const std::string report = TestRoot() + "editor_" + tag + ".json";
        util::SpawnOptions options;
        options.input = util::Stream::Null();
        options.output = util::Stream::Null();
        options.error = util::Stream::File(err);
        const auto editor = util::Spawn({EDITOR_PATH, "--plugins", plugins, "run", project, "hosttest.Action",
                                         "--timeout", "60", "--report", report},
                                        options);
        ASSERT_TRUE(editor);
        // Interrupted once the action is under way (its line is in the log), at most 30 s later.
        for (int i = 0; i < 600 && !Contains(EditorLog(project), "action hang"); ++i)
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        util::Kill(editor->pid, signal);
        const util::ChildStatus status = util::Wait(editor->pid);
        ASSERT_EQ(status.state, util::ChildStatus::State::Ended);
        EXPECT_EQ(status.exit_code, 130);
        std::string text;
        File::ReadAllText(err, text);
        EXPECT_TRUE(Contains(text, signal == SIGINT ? "interrupted by SIGINT" : "interrupted by SIGTERM")) << text;
        EXPECT_TRUE(Contains(LastLine(EditorLog(project)), "Outcome: exit status 130: interrupted"))
            << EditorLog(project);
        // The report is written for an interrupted run too.
        std::string written;
        ASSERT_TRUE(File::ReadAllText(report, written));
        const auto json = nlohmann::json::parse(written, nullptr, false);
        ASSERT_TRUE(json.is_object()) << written;
        EXPECT_EQ(json["exitStatus"], 130);
    }
}

TEST(EditorLog, EveryLineStampedOnlyRunsRotateAndFiveRunsAreKept)
{
    const std::string project = MakeProject("editor_log_rotation");
    const std::string logs = project + "Saved/Logs/";
    // Runs 1 to 6, the second one with a warning: its log is the oldest kept at the end.
    for (int run = 1; run <= 6; ++run)
    {
        SetUserSetting(project, "Mode", run == 2 ? "warn" : "message");
        Editor("run " + Quote(project) + " hosttest.Action", "rotation");
    }
    const std::string log = EditorLog(project);
    std::size_t lines = 0;
    for (std::size_t at = 0; at < log.size(); at = log.find('\n', at) + 1)
    {
        const std::string stamp = log.substr(at, 30); // "2026-12-08T12:47:51.123+00:00 "
        EXPECT_TRUE(stamp.size() == 30 && stamp[4] == '-' && stamp[10] == 'T' && stamp[19] == '.' &&
                    (stamp[23] == '+' || stamp[23] == '-') && stamp[26] == ':' && stamp[29] == ' ')
            << "line without a time stamp at " << at << ":\n"
            << log;
        ++lines;
    }
    EXPECT_GT(lines, 3u);
    std::string oldest;
    ASSERT_TRUE(File::ReadAllText(logs + "Editor-backup-4.log", oldest));
    EXPECT_TRUE(Contains(oldest, "Outcome: exit status 3")) << oldest;
    for (const char* name : {"Editor-backup.log", "Editor-backup-2.log", "Editor-backup-3.log"})
    {
        std::string text;
        ASSERT_TRUE(File::ReadAllText(logs + name, text)) << name;
        EXPECT_TRUE(Contains(text, "Outcome: exit status 0")) << name;
    }
    EXPECT_FALSE(File::Exists(logs + "Editor-backup-5.log"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(logs), std::filesystem::directory_iterator()), 5);

    // Listing and setting leave every log as it was.
    Editor("settings " + Quote(project), "rotation_settings");
    Editor("settings " + Quote(project) + " HostTestSettings Level Low", "rotation_set");
    Editor("menus " + Quote(project), "rotation_menus");
    EXPECT_EQ(EditorLog(project), log);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(logs), std::filesystem::directory_iterator()), 5);
    std::string previous;
    ASSERT_TRUE(File::ReadAllText(logs + "Editor-backup.log", previous));
    EXPECT_TRUE(Contains(previous, "Outcome: exit status 0"));
}

TEST(EditorRun, QuestionsTakeTheGivenAnswerNoByDefault)
{
    const std::string project = MakeProject("editor_run_ask");
    SetUserSetting(project, "Mode", "ask");
    FRun run = Editor("run " + Quote(project) + " hosttest.Action", "ask_default");
    EXPECT_EQ(run.Status, 1);
    EXPECT_TRUE(Contains(run.Out, "question: Proceed?\nanswer: no\nmessage: declined\n")) << run.Out;
    run = Editor("run " + Quote(project) + " hosttest.Action --yes", "ask_yes");
    EXPECT_EQ(run.Status, 0);
    EXPECT_TRUE(Contains(run.Out, "question: Proceed?\nanswer: yes\n")) << run.Out;
    run = Editor("run " + Quote(project) + " hosttest.Action --yes --no", "ask_both");
    EXPECT_EQ(run.Status, 2);
}

TEST(EditorRun, WaitsForRequestsAndBackgroundTasksBeforeExiting)
{
    FLoopbackServer server([](const std::string&) { return FLoopbackServer::Respond(200, "pong"); });
    const std::string project = MakeProject("editor_run_http");
    SetUserSetting(project, "Mode", "http");
    SetUserSetting(project, "Url", server.Url("/ping"));
    const FRun run = Editor("run " + Quote(project) + " hosttest.Action --timeout 20", "run_http");
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_TRUE(Contains(run.Out, "LogHostTest: Display: response 200 pong on main\n")) << run.Out;
    EXPECT_TRUE(Contains(run.Out, "progress: Waiting... 0%\nprogress: Waiting... 50%\n")) << run.Out;
    EXPECT_TRUE(Contains(run.Out, "LogHostTest: Display: background ran off main\n")) << run.Out;
}

TEST(EditorRun, TimeOutEndsWithStatusTwo)
{
    const std::string project = MakeProject("editor_run_hang");
    SetUserSetting(project, "Mode", "hang");
    const auto start = std::chrono::steady_clock::now();
    const std::string report = TestRoot() + "editor_run_hang.json";
    const FRun run =
        Editor("run " + Quote(project) + " hosttest.Action --timeout 0.5 --report " + Quote(report), "run_hang");
    EXPECT_EQ(run.Status, 2);
    EXPECT_TRUE(Contains(run.Err, "timed out")) << run.Err;
    std::string written;
    ASSERT_TRUE(File::ReadAllText(report, written));
    const auto json = nlohmann::json::parse(written, nullptr, false);
    ASSERT_TRUE(json.is_object()) << written;
    EXPECT_EQ(json["exitStatus"], 2);
    EXPECT_EQ(json["meaning"], "timed out after 0.5 seconds");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

TEST(EditorRun, RefusesFolderWithoutProjectFileAndUnknownCommands)
{
    const std::string empty = TestRoot() + "editor_no_project/";
    std::filesystem::create_directories(empty);
    FRun run = Editor("run " + Quote(empty) + " hosttest.Action", "no_project");
    EXPECT_EQ(run.Status, 2);
    EXPECT_TRUE(Contains(run.Err, "no project file")) << run.Err;
    run = Editor("run " + Quote(MakeProject("editor_run_unknown")) + " hosttest.Nothing", "unknown");
    EXPECT_EQ(run.Status, 2);
    EXPECT_TRUE(Contains(run.Err, "hosttest.Nothing")) << run.Err;
}

TEST(EditorCommandLine, MistakesAreRefusedInOneLineWithStatusTwo)
{
    const std::string project = MakeProject("editor_usage");
    struct FCase
    {
        std::string Arguments;
        std::string Says;
    };
    for (const FCase& c :
         {FCase{"rnu " + Quote(project), "editor: unknown command 'rnu' (did you mean 'run'?)"},
          FCase{"help rnu", "unknown command 'rnu' (did you mean 'run'?)"},
          FCase{"run " + Quote(project) + " hosttest.Action --timeout abc", "--timeout: 'abc' is not a number"},
          FCase{"--max-response-mib 0 menus " + Quote(project), "'0' is out of range (from 1 to 1048576)"},
          FCase{"--plugins " + Quote(TestRoot() + "no_such_folder") + " menus " + Quote(project),
                "the plug-in folder " + TestRoot() + "no_such_folder does not exist"}})
    {
        const FRun run = Editor(c.Arguments, "usage");
        EXPECT_EQ(run.Status, 2) << c.Arguments;
        EXPECT_TRUE(Contains(run.Err, c.Says)) << run.Err;
        EXPECT_EQ(std::count(run.Err.begin(), run.Err.end(), '\n'), 1) << run.Err;
        EXPECT_EQ(run.Out, "") << c.Arguments;
    }
    EXPECT_FALSE(File::Exists(project + "Saved/Logs/Editor.log")) << "nothing was opened";
}

TEST(EditorCommandLine, VersionHelpAndTheProjectFileAsProject)
{
    FRun run = Editor("--version", "version");
    EXPECT_EQ(run.Status, 0);
    EXPECT_EQ(run.Out, std::string("editor ") + LIRNO_VERSION + "\n");
    run = Editor("help", "help");
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_TRUE(Contains(run.Out, "run") && Contains(run.Out, "settings") && Contains(run.Out, "menus")) << run.Out;
    run = Editor("run --help", "run_help");
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_TRUE(Contains(run.Out, "Exit status:\n  0 ")) << run.Out;
    EXPECT_TRUE(Contains(run.Out, "  130 ")) << run.Out;

    const std::string project = MakeProject("editor_project_file");
    run = Editor("run " + Quote(project + "Demo.project") + " hosttest.Action", "project_file");
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_TRUE(File::Exists(project + "Saved/Logs/Editor.log"));
}
