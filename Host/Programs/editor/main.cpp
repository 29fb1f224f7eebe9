// The headless editor: opens a project, loads the plug-ins and runs one command, shows or sets
// settings, or lists menus.
#include "Commands.h"
#include "Usage.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <algorithm>
#include <filesystem>
#include <unistd.h>

namespace editor
{
void PrintError(const std::string& text)
{
    std::fflush(stdout);
    std::fprintf(stderr, "editor: %s\n", text.c_str());
}

std::unique_ptr<FEditorSession> OpenListingSession(FSessionOptions options)
{
    std::string error;
    options.LogToStandardError = true;
    auto session = FEditorSession::Open(options, error);
    if (!session)
    {
        PrintError(error);
        return nullptr;
    }
    session->StartPlugins();
    return session;
}
} // namespace editor

int main(int argc, char** argv)
{
    using namespace editor;
    std::setvbuf(stdout, nullptr, _IOLBF, 0);

    CLI::App app{"Headless editor: runs plug-in commands on a project, shows and sets settings, lists menus"};
    app.require_subcommand(1);
    app.fallthrough();
    app.set_version_flag("--version", std::string("editor ") + LIRNO_VERSION);

    FSessionOptions session;
    app.add_option("--plugins", session.PluginFolders,
                   "Folder holding plug-in descriptors (repeatable; default: the repository root)");
    bool withoutSettings = false;
    app.add_flag("--without-settings-module", withoutSettings)->group(""); // for tests
    app.add_option("--http-connect-timeout", session.HttpConnectTimeout, "Seconds to connect to a server")
        ->check(NumberIn(1, 86400, true));
    app.add_option("--http-stall-timeout", session.HttpStallTimeout,
                   "Seconds below 1 KiB/s before a request is given up")
        ->check(NumberIn(1, 86400, true));
    app.add_option("--max-response-mib", session.HttpMaxResponseMiB,
                   "Largest response body taken, in MiB (after decoding); a larger one ends the request")
        ->check(NumberIn(1, 1 << 20, true));

    FRunArguments run;
    bool yes = false;
    bool no = false;
    auto* runCommand =
        app.add_subcommand("run", "Open the project, execute a command as its menu entry would, "
                                  "wait until the work is done, exit");
    runCommand->add_option("PROJECT_DIR", session.ProjectDir, "Project folder, or its <Name>.project file")
        ->required();
    runCommand->add_option("COMMAND", run.Command, "Command as CONTEXT.COMMAND, e.g. lirno.PluginAction")
        ->required();
    auto* yesFlag = runCommand->add_flag("--yes", yes, "Answer every question Yes (non-interactive)");
    runCommand->add_flag("--no", no, "Answer every question No (non-interactive)")->excludes(yesFlag);
    auto* quietFlag = runCommand->add_flag(
        "--quiet", session.Quiet, "Show only messages, questions, the summary and errors (the log keeps the rest)");
    runCommand->add_flag("--verbose", session.Verbose, "Also log every HTTP request and localization step process")
        ->excludes(quietFlag);
    runCommand->add_option("--report", run.ReportPath, "Write a JSON report of the run to this file");
    runCommand
        ->add_option("--timeout", run.TimeoutSeconds, "Give up after this many seconds (exit 2); 0: never")
        ->check(NumberIn(0, 1e9, false));
    runCommand->footer("Exit status:\n"
                       "  0    the job completed and nothing went wrong\n"
                       "  3    the job completed, but something needs a look: a localization step failed or\n"
                       "       could not start, or a warning or error was logged during the run\n"
                       "  1    the job ended without completing\n"
                       "  2    usage error, or --timeout ran out\n"
                       "  130  interrupted (SIGINT or SIGTERM): the work in progress was stopped\n"
                       "The log (Saved/Logs/Editor.log) ends with a line naming the status and its cause.");

    FSettingsArguments settings;
    std::vector<std::string> settingsPath;
    auto* settingsCommand =
        app.add_subcommand("settings", "List settings sections, show one section or key, or set a key");
    settingsCommand->add_option("PROJECT_DIR", session.ProjectDir, "Project folder, or its <Name>.project file")
        ->required();
    settingsCommand
        ->add_option("SECTION KEY VALUE", settingsPath,
                     "Section, key and new value; for a secret key (API_KEY) '-' reads the value from "
                     "standard input")
        ->expected(0, 3);
    std::string fromEnv;
    std::string fromFile;
    auto* fromEnvOption =
        settingsCommand->add_option("--from-env", fromEnv, "Take the new value from this environment variable");
    auto* fromFileOption = settingsCommand->add_option("--from-file", fromFile, "Take the new value from this file's first line")
                               ->excludes(fromEnvOption);

    auto* menusCommand =
        app.add_subcommand("menus", "List menus and toolbars with their sections and entries");
    menusCommand->add_option("PROJECT_DIR", session.ProjectDir, "Project folder, or its <Name>.project file")
        ->required();

    std::string helpTopic;
    auto* helpCommand = app.add_subcommand("help", "Show this help, or a command's");
    helpCommand->add_option("COMMAND", helpTopic, "The command to explain");

    const std::vector<std::string> commands{"run", "settings", "menus", "help"};
    const std::string unknown =
        UnknownCommand(std::vector<std::string>(argv + 1, argv + argc), commands,
                       {"--plugins", "--http-connect-timeout", "--http-stall-timeout", "--max-response-mib"});
    if (argc == 1)
    {
        std::fputs(app.help().c_str(), stderr);
        return ExitUsage;
    }
    if (!unknown.empty())
    {
        PrintError(UnknownCommandMessage(unknown, commands) + " (see editor --help)");
        return ExitUsage;
    }
    try
    {
        app.parse(argc, argv);
    }
    catch (const CLI::ParseError& error)
    {
        if (error.get_exit_code() == 0)
        {
            return app.exit(error); // --help or --version
        }
        PrintError(std::string(error.what()) + " (see editor --help)");
        return ExitUsage;
    }

    if (*helpCommand)
    {
        if (helpTopic.empty())
        {
            // App::help() would show the help of the selected subcommand, "help" itself.
            std::fputs(app.get_formatter()->make_help(&app, app.get_name(), CLI::AppFormatMode::Normal).c_str(),
                       stdout);
            return ExitCompleted;
        }
        if (std::find(commands.begin(), commands.end(), helpTopic) == commands.end())
        {
            PrintError(UnknownCommandMessage(helpTopic, commands));
            return ExitUsage;
        }
        std::fputs(app.get_subcommand(helpTopic)->help().c_str(), stdout);
        return ExitCompleted;
    }
    for (const std::string& folder : session.PluginFolders)
    {
        std::error_code ec;
        if (!std::filesystem::is_directory(folder, ec))
        {
            PrintError("the plug-in folder " + folder + " does not exist");
            return ExitUsage;
        }
    }

    session.WithSettingsModule = !withoutSettings;
    if (*runCommand)
    {
        session.Interactive = !yes && !no && ::isatty(STDIN_FILENO) == 1;
        session.DefaultAnswer = yes;
        for (int i = 0; i < argc; ++i)
        {
            run.CommandLine += (i > 0 ? " " : "") + std::string(argv[i]);
        }
        return RunCommand(session, run);
    }
    if (*settingsCommand)
    {
        if (!settingsPath.empty())
        {
            settings.Section = settingsPath[0];
        }
        if (settingsPath.size() > 1)
        {
            settings.Key = settingsPath[1];
        }
        if (settingsPath.size() > 2)
        {
            settings.Value = settingsPath[2];
        }
        if (*fromEnvOption)
        {
            settings.FromEnv = fromEnv;
        }
        if (*fromFileOption)
        {
            settings.FromFile = fromFile;
        }
        if ((settings.FromEnv || settings.FromFile) && (settings.Value || !settings.Key))
        {
            PrintError("--from-env and --from-file take the place of VALUE after SECTION KEY");
            return ExitUsage;
        }
        return SettingsCommand(session, settings);
    }
    return MenusCommand(session);
}
