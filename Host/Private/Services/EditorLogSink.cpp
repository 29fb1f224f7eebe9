#include "EditorLogSink.h"

#include "VisibleText.h"

#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/spdlog.h>

#include <filesystem>

namespace host
{
namespace fs = std::filesystem;

std::string FormatLogLine(const FLogCategory& category, EVerbosity verbosity, std::string_view text)
{
    std::string line = category.Name();
    line += ": ";
    line += ToString(verbosity);
    line += ": ";
    line += text;
    return line;
}

FEditorLogSink::FEditorLogSink(FConsole& console, const std::string& logFilePath)
    : Console(console), FilePath(logFilePath)
{
    if (FilePath.empty())
    {
        return;
    }
    std::error_code ec;
    const fs::path path(FilePath);
    fs::create_directories(path.parent_path(), ec);
    if (fs::exists(path, ec))
    {
        // The oldest goes, every other moves one place down, the last run's becomes the backup.
        const auto backup = [&](int number)
        {
            // Appended piece by piece: g++ 12 at -O3 reports a false -Wrestrict on chained "+".
            std::string file = path.stem().string();
            file.append("-backup");
            if (number > 1)
            {
                file.append("-").append(std::to_string(number));
            }
            file.append(path.extension().string());
            fs::path name = path;
            name.replace_filename(file);
            return name;
        };
        fs::remove(backup(KeptBackups), ec);
        for (int number = KeptBackups - 1; number >= 1; --number)
        {
            fs::rename(backup(number), backup(number + 1), ec);
        }
        fs::rename(path, backup(1), ec);
    }
    try
    {
        auto sink = std::make_shared<spdlog::sinks::basic_file_sink_mt>(FilePath, /*truncate=*/true);
        File = std::make_shared<spdlog::logger>("editor-log-file", std::move(sink));
        File->set_pattern("%Y-%m-%dT%H:%M:%S.%e%z %v");
        File->set_level(spdlog::level::trace);
        File->flush_on(spdlog::level::trace);
    }
    catch (const spdlog::spdlog_ex& error)
    {
        Console.WriteLine(std::string("LogGeneral: Warning: cannot open the log file ") + FilePath + ": " +
                          error.what());
        FilePath.clear();
    }
}

FEditorLogSink::~FEditorLogSink() = default;

std::vector<std::string> FEditorLogSink::Problems() const
{
    std::lock_guard lock(ProblemMutex);
    return ProblemLines;
}

void FEditorLogSink::Write(const FLogCategory& category, EVerbosity verbosity, std::string_view text)
{
    if (verbosity == EVerbosity::Warning)
    {
        ++WarningCount;
    }
    else if (verbosity == EVerbosity::Error || verbosity == EVerbosity::Fatal)
    {
        ++ErrorCount;
    }
    const std::string line = FormatLogLine(category, verbosity, text);
    if (verbosity <= EVerbosity::Warning)
    {
        std::lock_guard lock(ProblemMutex);
        ProblemLines.push_back(VisibleText(line));
    }
    if (verbosity <= ConsoleVerbosity.load())
    {
        Console.WriteLine(line);
    }
    if (File)
    {
        File->info("{}", VisibleText(line));
    }
}
} // namespace host
