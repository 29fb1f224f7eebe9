// The host's localization steps around a translation: gather text before packing, compile
// text and the word-count report after the translations are applied.
#include "Host.h"
#include "lirnoHelper.h"
#include "lirnoLog.h"

namespace lirno
{
struct lirnoHelper::FStepInfo
{
    host::FText Title;
    const char* Name; // the log lines' stem
    host::ELocalizationStep Step;
    host::FText TaskName;
};

void lirnoHelper::GatherText()
{
    RunStep({host::LocText("lirnoHelper", "GatherText", "GatherText..."), "GatherText",
             host::ELocalizationStep::GatherText,
             host::LocText("lirnoHelper", "GatherTextTaskName", "Generate GatherText")});
}

void lirnoHelper::CompileText()
{
    RunStep({host::LocText("lirnoHelper", "CompileText...", "CompileText..."), "CompileText",
             host::ELocalizationStep::CompileText,
             host::LocText("lirnoHelper", "CompileTextTaskName", "CompileText")});
}

void lirnoHelper::GenerateWordCountReport()
{
    RunStep({host::LocText("lirnoHelper", "GenerateWordCountReports...", "GenerateWordCountReports..."),
             "GenerateWordCountReport", host::ELocalizationStep::WordCountReport,
             host::LocText("lirnoHelper", "ReportTaskName", "Generate Reports")});
}

void lirnoHelper::RunStep(const FStepInfo& step)
{
    auto& localization = host::Get().Localization();
    OpenPhase(step.Title);
    JobLog("{} Start", step.Name);
    const auto targets = localization.GameTargets();
    const int advance = targets.empty() ? 0 : 100 / static_cast<int>(targets.size());
    for (const auto& target : targets)
    {
        JobLog("{}:{}", step.Name, target->Name);
        const bool engineTarget = localization.IsEngineTarget(*target);
        const std::string configPath = localization.ConfigPath(*target, step.Step);
        localization.WriteConfig(localization.GenerateConfig(*target, step.Step), configPath);
        RunLocalizationTasks({FLocalizationTask{step.TaskName, configPath, !engineTarget}});
        if (ProgressDialog)
        {
            ProgressDialog->Advance(advance);
        }
    }
    ProgressDialog.reset();
    JobLog("{} Done", step.Name);
}

void lirnoHelper::RunLocalizationTasks(const std::vector<FLocalizationTask>& tasks)
{
    auto& h = host::Get();
    for (const auto& task : tasks)
    {
        auto process = h.Localization().StartStep(task.ConfigFile, task.bUseProjectFile);
        const std::string& name = task.DisplayName.ToString();
        if (!process)
        {
            host::Log(lirnoHelperLog, host::EVerbosity::Warning,
                      fmt::format("Failed to start Task [{}] !", name));
            continue;
        }
        JobLog("=== Starting Task [{}] ===", name);
        // Reading keeps the process's output from piling up; it is not kept.
        for (;;)
        {
            const bool gotText = !process->ReadNewOutput().empty();
            if (!process->IsRunning() && !gotText)
            {
                break;
            }
            h.Threads().Sleep(0);
        }
        if (const auto code = process->ExitCode())
        {
            JobLog("===> Task [{}] returned : {}", name, *code);
        }
    }
}
} // namespace lirno
