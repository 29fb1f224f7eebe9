// The editor's log: every enabled line to the console and to the project's log file, in the
// form "Category: Verbosity: text".
#pragma once

#include "Console.h"
#include "HostApi.h"
#include "Log.h"

#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>
#include <string>

namespace spdlog
{
class logger;
}

namespace host
{
class HOST_API FEditorLogSink final : public ILogSink
{
public:
    // An empty file path logs to the console only. Each line in the file starts with its local
    // time ("2026-12-08T12:47:51.123+00:00 "). Earlier logs are kept: the previous one as
    // "<name>-backup.log", older ones as "<name>-backup-2.log" up to KeptBackups, so the last
    // five runs' logs survive.
    static constexpr int KeptBackups = 4;
    FEditorLogSink(FConsole& console, const std::string& logFilePath);
    ~FEditorLogSink() override;

    void Write(const FLogCategory& category, EVerbosity verbosity, std::string_view text) override;
    const std::string& LogFilePath() const { return FilePath; }
    // Lines more verbose than this go to the file only (the editor's --quiet keeps errors).
    void SetConsoleVerbosity(EVerbosity verbosity) { ConsoleVerbosity = verbosity; }

    // Warning and Error lines (Fatal counts as an error) written so far: a run that completed
    // with any of them needs a look.
    std::size_t Warnings() const { return WarningCount; }
    std::size_t Errors() const { return ErrorCount; }
    // Those lines as written ("Category: Verbosity: text"), for the run's report.
    std::vector<std::string> Problems() const;

private:
    FConsole& Console;
    std::string FilePath;
    std::shared_ptr<spdlog::logger> File;
    std::atomic<std::size_t> WarningCount{0};
    std::atomic<std::size_t> ErrorCount{0};
    std::atomic<EVerbosity> ConsoleVerbosity{EVerbosity::All};
    mutable std::mutex ProblemMutex;
    std::vector<std::string> ProblemLines;
};

HOST_API std::string FormatLogLine(const FLogCategory& category, EVerbosity verbosity, std::string_view text);
} // namespace host
