// One translation job: from the start checks through packaging, upload and status polling to
// the application of the translated package. The job lives in shared ownership: its pending
// request completions and its status worker hold it, and it is freed once none can reach it.
#pragma once

#include "Localization.h"
#include "UserInterface.h"
#include "Paths.h"
#include "lirnoFileHelper.h"
#include "lirnoHttpClient.h"
#include "lirnoModel.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

namespace lirno
{
class UlirnoSetting;

// True while a job is active; at most one job is.
extern std::atomic<bool> bTranslationRunning;

// One unit of the host's localization step runner.
struct FLocalizationTask
{
    host::FText DisplayName;
    std::string ConfigFile;
    bool bUseProjectFile = true;
};

class lirnoHelper : public std::enable_shared_from_this<lirnoHelper>
{
public:
    lirnoHelper();
    ~lirnoHelper();
    lirnoHelper(const lirnoHelper&) = delete;
    lirnoHelper& operator=(const lirnoHelper&) = delete;

    // Workflow, all on the main thread.
    void Start();
    void OnCheckUpdateResponse();
    void Process();
    void OnUploadResponse();
    void OnStatusResponse();

    // The status worker, on a background thread.
    void PollStatus();

    // The host's localization steps, run for every game target.
    void GatherText();
    void CompileText();
    void GenerateWordCountReport();
    static void RunLocalizationTasks(const std::vector<FLocalizationTask>& tasks);

    // Jobs currently alive in this process.
    static int LiveJobs();

    static constexpr double PollInterval = 1.0;
    static constexpr double CompletionThreshold = 100.0;
    // A task whose progress stands still this long is taken as lost by the service.
    static constexpr double StalledProgressSeconds = 30.0 * 60.0;

private:
    struct FStepInfo;
    void RunStep(const FStepInfo& step);
    void OpenPhase(const host::FText& title);
    void EndJob();
    void EndWithMessage(const std::string& message);
    void AskAndEnd(const FAPI_Response_TaskStatus& response);
    void Complete(FAPI_Response_TaskStatus& response); // decodes the package in place
    bool TakeProjectLock();
    bool HasStalled(double progress);
    void ReportApplyNotes(const FApplyReport& report);
    bool ShouldStopPolling() const;

    std::atomic<double> Progress{0.0};
    std::atomic<bool> bPollReady{false};
    double ShownProgress = 0.0;
    std::unique_ptr<lirnoHttpClient> StatusClient;
    std::shared_ptr<host::IProgressDialog> ProgressDialog;
    UlirnoSetting* Settings = nullptr;
    FAPI_Response_TaskStatus TaskStatus;
    std::unique_ptr<lirnoHttpClient> UploadClient;
    std::unique_ptr<lirnoHttpClient> CheckUpdateClient;
    // What was uploaded, to check the answers against; and the lock that keeps other editors'
    // jobs off this project from packaging to the end of the apply.
    std::vector<FUploadedFile> UploadedFiles;
    std::unique_ptr<host::FFileLock> ProjectLock;
    double LastProgressChange = 0.0;
    // This job's own end: the module-wide flag may already belong to a newer job, so the
    // worker and every handler look here first.
    std::atomic<bool> bEnded{false};
};
} // namespace lirno
