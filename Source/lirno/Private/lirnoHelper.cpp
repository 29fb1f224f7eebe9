// The job's outer life: construction, phases, and ending.
#include "lirnoHelper.h"

#include "Host.h"
#include "lirnoSetting.h"

namespace lirno
{
std::atomic<bool> bTranslationRunning{false};

namespace
{
std::atomic<int> LiveJobCount{0};
}

lirnoHelper::lirnoHelper()
{
    ++LiveJobCount;
    Settings = UlirnoSetting::Get();
    UploadClient = std::make_unique<lirnoHttpClient>();
    StatusClient = std::make_unique<lirnoHttpClient>();
    CheckUpdateClient = std::make_unique<lirnoHttpClient>();
}

lirnoHelper::~lirnoHelper()
{
    --LiveJobCount;
}

int lirnoHelper::LiveJobs()
{
    return LiveJobCount.load();
}

void lirnoHelper::OpenPhase(const host::FText& title)
{
    ProgressDialog.reset();
    ProgressDialog = host::Get().UI().OpenProgress(100.0, title);
}

void lirnoHelper::EndJob()
{
    if (bEnded.exchange(true))
    {
        return;
    }
    ProgressDialog.reset();
    ProjectLock.reset();
    bTranslationRunning = false;
    bPollReady = true;
}

void lirnoHelper::EndWithMessage(const std::string& message)
{
    host::Get().UI().ShowMessage(message);
    EndJob();
}

void lirnoHelper::AskAndEnd(const FAPI_Response_TaskStatus& response)
{
    auto& ui = host::Get().UI();
    if (ui.AskYesNo(response.Msg))
    {
        ui.OpenUrl(response.Content.result_errormsg);
    }
    EndJob();
}
} // namespace lirno
