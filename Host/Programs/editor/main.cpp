// The headless editor: opens a project, loads the plug-ins and runs one command, shows or sets
// settings, or lists menus.
#include "Commands.h"

#include <CLI/CLI.hpp>

#include <cstdio>
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

    FSessionOptions session;
    app.add_option("--plugins", session.PluginFolders,
                   "Folder holding plug-in descriptors (repeatable; default: the repository root)");
    bool withoutSettings = false;
    app.add_flag("--without-settings-module", withoutSettings)->group(""); // for tests
    app.add_option("--http-connect-timeout", session.HttpConnectTimeout, "Seconds to connect to a server")
        ->check(CLI::PositiveNumber);
    app.add_option("--http-stall-timeout", session.HttpStallTimeout,
                   "Seconds below 1 KiB/s before a request is given up")
        ->check(CLI::PositiveNumber);
    app.add_option("--max-response-mib", session.HttpMaxResponseMiB,
                   "Largest response body taken, in MiB (after decoding); a larger one ends the request")
        ->check(CLI::Range(std::uint64_t{1}, std::uint64_t{1} << 20));

    FRunArguments run;
    bool yes = false;
    bool no = false;
    auto* runCommand =
        app.add_subcommand("run", "Open the project, execute a command as its menu entry would, "
                                  "wait until the work is done, exit");
    runCommand->add_option("PROJECT_DIR", session.ProjectDir, "Project folder")->required();
    runCommand->add_option("COMMAND", run.Command, "Command as CONTEXT.COMMAND, e.g. lirno.PluginAction")
        ->required();
    auto* yesFlag = runCommand->add_flag("--yes", yes, "Answer every question Yes (non-interactive)");
    runCommand->add_flag("--no", no, "Answer every question No (non-interactive)")->excludes(yesFlag);
    runCommand
        ->add_option("--timeout", run.TimeoutSeconds, "Give up after this many seconds (exit 2); 0: never")
        ->check(CLI::NonNegativeNumber);
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
    settingsCommand->add_option("PROJECT_DIR", session.ProjectDir, "Project folder")->required();
    settingsCommand->add_option("SECTION KEY VALUE", settingsPath, "Section, key and new value")
        ->expected(0, 3);

    auto* menusCommand =
        app.add_subcommand("menus", "List menus and toolbars with their sections and entries");
    menusCommand->add_option("PROJECT_DIR", session.ProjectDir, "Project folder")->required();

    try
    {
        app.parse(argc, argv);
    }
    catch (const CLI::ParseError& error)
    {
        const int code = app.exit(error);
        return code == 0 ? 0 : ExitUsage;
    }

    session.WithSettingsModule = !withoutSettings;
    if (*runCommand)
    {
        session.Interactive = !yes && !no && ::isatty(STDIN_FILENO) == 1;
        session.DefaultAnswer = yes;
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
        return SettingsCommand(session, settings);
    }
    return MenusCommand(session);
}
