// The editor's commands. Each returns the process exit status.
#pragma once

#include "EditorSession.h"

#include <memory>
#include <optional>
#include <string>

namespace editor
{
// Exit statuses of the editor.
inline constexpr int ExitCompleted = 0;
inline constexpr int ExitOtherEnd = 1;
inline constexpr int ExitUsage = 2;        // also a time-out
inline constexpr int ExitNeedsALook = 3;   // completed, but a step failed or a warning or error was logged
inline constexpr int ExitInterrupted = 130; // SIGINT or SIGTERM

struct FRunArguments
{
    std::string Command;       // "CONTEXT.COMMAND"
    double TimeoutSeconds = 0; // 0: no limit
    std::string ReportPath;    // where the run's JSON report goes; empty: none
    std::string CommandLine;   // as given, for the report
};
int RunCommand(FSessionOptions options, const FRunArguments& arguments);

struct FSettingsArguments
{
    std::optional<std::string> Section;
    std::optional<std::string> Key;
    // The new value; "-" for a secret key reads it from standard input.
    std::optional<std::string> Value;
    std::optional<std::string> FromEnv;  // the new value from this environment variable
    std::optional<std::string> FromFile; // the new value from this file's first line
};
int SettingsCommand(FSessionOptions options, const FSettingsArguments& arguments);

int MenusCommand(FSessionOptions options);

// The log's last line: the exit status and what it means.
void LogOutcome(host::FEditorLogSink& log, int status, const std::string& meaning);

// "editor: <text>" on standard error.
void PrintError(const std::string& text);

// Opens the project with its plug-ins started for a command that lists what they registered;
// log lines go to standard error. Nothing (the error printed) when the project cannot be opened.
std::unique_ptr<FEditorSession> OpenListingSession(FSessionOptions options);
} // namespace editor
