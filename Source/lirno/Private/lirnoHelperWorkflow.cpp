// The ordered steps of a job and how each service answer is judged.
#include "Host.h"
#include "lirnoApplyJournal.h"
#include "lirnoFileHelper.h"
#include "lirnoHelper.h"
#include "lirnoLog.h"
#include "lirnoNameList.h"
#include "lirnoProtocol.h"
#include "lirnoSetting.h"

#include <cstdio>
#include <cstdlib>
#include <exception>

namespace lirno
{
namespace
{
host::FText PhaseTitle(const char* key, const char* source)
{
    return host::LocText("lirnoHelper", key, source);
}

bool IsQuestion(std::int32_t status)
{
    return status == protocol::Status::Question || status == protocol::Status::OtherQuestion;
}

// A service's error page is shown as it is, but a body of megabytes would bury the message.
std::string QuoteBody(const std::string& body)
{
    constexpr std::size_t MaxQuoted = 2000;
    if (body.size() <= MaxQuoted)
    {
        return body;
    }
    std::size_t cut = MaxQuoted;
    while (cut > 0 && (static_cast<unsigned char>(body[cut]) & 0xC0) == 0x80)
    {
        --cut; // never inside a character
    }
    return body.substr(0, cut) + "... (" + std::to_string(body.size()) + " bytes)";
}

std::string FormatProgress(double progress)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.0f", progress);
    return text;
}

// The user learns why nothing was applied and that the uploaded files are kept.
std::string ResultError(const std::string& what)
{
    return "Translation result error:" + what +
           " The backup archive lirno_bak.zip of the upload remains in the localization folder.";
}

} // namespace

bool lirnoHelper::TakeProjectLock()
{
    std::string error;
    ProjectLock = host::FFileLock::TryAcquire(lirnoFileHelper::ProjectLockPath(), error);
    if (!ProjectLock)
    {
        JobLog("Translation not started:{}", error);
        EndWithMessage("Another translation job is running on this project (its lock " +
                       lirnoFileHelper::ProjectLockPath() + " is taken: " + error +
                       "). Wait for it to end, then start the translation again.");
        return false;
    }
    // Another editor may have died in the middle of an apply while this one was running.
    for (const auto& line : lirnoApplyJournal::Recover(lirnoFileHelper::LocalizationFolder()))
    {
        JobWarning("{}", line);
    }
    return true;
}

void lirnoHelper::Start()
{
    auto& ui = host::Get().UI();
    if (!TakeProjectLock())
    {
        return;
    }
    for (const auto& target : host::Get().Localization().GameTargets())
    {
        const auto index = target->NativeCultureIndex;
        if (index < 0 || static_cast<std::size_t>(index) >= target->SupportedCultures.size())
        {
            ui.ShowMessage("You must set the native language before you can start the translation, please "
                           "specify the native language for [" +
                           target->Name + "] first, usually English.");
            EndJob();
            return;
        }
    }
    if (!Settings->AutoCheckUpdate)
    {
        Process();
        return;
    }
    OpenPhase(PhaseTitle("CheckUpdate", "CheckUpdate..."));
    CheckUpdateClient->BindCompletion(shared_from_this(), &lirnoHelper::OnCheckUpdateResponse);
    CheckUpdateClient->PostText(Settings->Host + protocol::CheckUpdatePath, "");
}

void lirnoHelper::OnCheckUpdateResponse()
{
    if (bEnded)
    {
        return;
    }
    auto& ui = host::Get().UI();
    try
    {
        const FHttp_Response& response = CheckUpdateClient->LastResponse();
        if (response.StatusCode != 200)
        {
            EndWithMessage("CheckUpdate error! StatusCode:" + std::to_string(response.StatusCode) +
                           ". Message:" + QuoteBody(response.Content));
            return;
        }
        FAPI_Response_TaskStatus answer;
        CheckUpdateClient->ParseTaskResponse(answer);
        if (answer.Status == protocol::Status::UpdateOffer && ui.AskYesNo(answer.Msg))
        {
            ui.OpenUrl(answer.Content.result_errormsg);
            EndJob();
            return;
        }
    }
    catch (const std::exception&)
    {
        ui.ShowMessage("CheckUpdate error!");
    }
    Process();
}

void lirnoHelper::Process()
{
    if (bEnded)
    {
        return;
    }
    // The service expects the 15-bit range of the original C runtime, whatever RAND_MAX is here.
    const int jobNumber = std::rand() & 0x7FFF;
    if (Settings->Auto_GatherText)
    {
        GatherText();
    }

    std::size_t cultureCount = 0;
    for (const auto& [target, cultures] : lirnoFileHelper::GetTargetCultures())
    {
        cultureCount += cultures.size();
    }
    if (cultureCount == 0)
    {
        EndWithMessage("No language information found, please run the [GatherText] command first!");
        return;
    }
    for (const auto& [target, culture] : lirnoFileHelper::GetNativeCultures())
    {
        JobLog("Native language:{}={}", target, culture);
    }

    const auto package = lirnoFileHelper::BuildUploadPackage(static_cast<std::uint32_t>(jobNumber));
    if (!package.IsOk())
    {
        JobLog("Upload package failed:{}", package.Error());
        EndWithMessage("Upload package error:" + package.Error());
        return;
    }
    UploadedFiles = package.Value().Files;
    const std::string& uploadFile = package.Value().File;
    JobLog("Start translation");

    Progress = 0.0;
    ShownProgress = 0.0;
    OpenPhase(PhaseTitle("Uploading", "Uploading..."));

    std::vector<std::uint8_t> bytes;
    host::File::ReadAll(uploadFile, bytes);
    if (host::File::Exists(uploadFile))
    {
        host::File::Delete(uploadFile);
    }
    if (bytes.empty())
    {
        // An empty body would make the service charge for nothing and report a confusing error.
        JobLog("Upload package failed:the upload file could not be read");
        EndWithMessage("Upload package error:The upload file could not be read: " + uploadFile);
        return;
    }
    UploadClient->BindCompletion(shared_from_this(), &lirnoHelper::OnUploadResponse);
    UploadClient->SendRequest(Settings->Host + protocol::UploadPath, std::move(bytes), jobNumber);
}

void lirnoHelper::OnUploadResponse()
{
    if (bEnded)
    {
        return;
    }
    const FHttp_Response& response = UploadClient->LastResponse();
    if (response.StatusCode != 200)
    {
        EndWithMessage("Upload error! StatusCode:" + std::to_string(response.StatusCode) +
                       ". Message:" + QuoteBody(response.Content));
        return;
    }
    if (ProgressDialog)
    {
        ProgressDialog->Advance(100.0);
    }
    JobLog("Upload completed");

    UploadClient->ParseTaskResponse(TaskStatus);
    if (IsQuestion(TaskStatus.Status))
    {
        AskAndEnd(TaskStatus);
        return;
    }
    if (TaskStatus.Status == protocol::Status::Refused)
    {
        EndWithMessage("Upload process error:" + QuoteBody(TaskStatus.Msg));
        return;
    }
    StatusClient->BindCompletion(shared_from_this(), &lirnoHelper::OnStatusResponse);
    OpenPhase(PhaseTitle("Translating", "Translating..."));
    LastProgressChange = host::Get().Threads().Now();
    bPollReady = true;
    host::Get().Threads().RunInBackground([job = shared_from_this()] { job->PollStatus(); });
}

void lirnoHelper::OnStatusResponse()
{
    // A late answer to an ended job must not act on whatever job runs now.
    if (bEnded)
    {
        return;
    }
    const FHttp_Response& response = StatusClient->LastResponse();
    if (response.StatusCode != 200)
    {
        EndWithMessage("Translation error StatusCode:" + std::to_string(response.StatusCode) +
                       ". Message:" + QuoteBody(response.Content));
        return;
    }
    if (!bTranslationRunning)
    {
        return;
    }
    FAPI_Response_TaskStatus answer;
    StatusClient->ParseTaskResponse(answer);
    if (IsQuestion(answer.Status))
    {
        AskAndEnd(answer);
        return;
    }
    if (answer.Status == protocol::Status::Refused)
    {
        EndWithMessage("Translation error:" + QuoteBody(answer.Msg));
        return;
    }

    if (answer.Content.file_b64.empty() && HasStalled(answer.Content.CompletionProgress))
    {
        JobLog("Translation stopped:no progress for {} minutes", FormatProgress(StalledProgressSeconds / 60.0));
        EndWithMessage("Translation error:the service reported no progress for " +
                       FormatProgress(StalledProgressSeconds / 60.0) + " minutes (still at " +
                       FormatProgress(Progress) + "%). The job was stopped and nothing was applied.");
        return;
    }
    Progress = answer.Content.CompletionProgress;
    JobLog("Translation progress changes:{}", FormatProgress(Progress));
    if (ProgressDialog)
    {
        ProgressDialog->Advance(Progress - ShownProgress);
    }
    ShownProgress = Progress;

    if (!answer.Content.file_b64.empty())
    {
        Complete(answer);
        return;
    }
    if (Progress >= CompletionThreshold)
    {
        // The worker stops polling at this point, so without an end here the job would hang.
        JobLog("Translation finished without a translated package");
        EndWithMessage("Translation error:the service reported the translation as finished but sent no "
                       "translated package.");
        return;
    }
    bPollReady = true;
}

bool lirnoHelper::HasStalled(double progress)
{
    const double now = host::Get().Threads().Now();
    if (progress != Progress.load())
    {
        LastProgressChange = now;
        return false;
    }
    return now - LastProgressChange >= StalledProgressSeconds;
}

void lirnoHelper::Complete(FAPI_Response_TaskStatus& answer)
{
    const std::string processedFile = lirnoFileHelper::ProcessedFilePath();
    {
        // Decoded and un-shifted in the answer's own buffer: the processed file is written once,
        // in the plain form it ends up in, and never read back before extraction.
        std::string& package = answer.Content.file_b64;
        if (!host::Base64DecodeInPlace(package))
        {
            JobLog("Translation result not applied:the package could not be decoded");
            EndWithMessage(ResultError("the translated package could not be decoded; no entry was applied."));
            return;
        }
        const std::span bytes(reinterpret_cast<std::uint8_t*>(package.data()), package.size());
        lirnoFileHelper::UnshiftResultPackage(bytes);
        const bool stored = host::File::WriteAll(processedFile, bytes);
        std::string().swap(package);
        if (!stored)
        {
            JobLog("Translation result not applied:the package could not be stored");
            EndWithMessage(ResultError("the translated package could not be stored in " + processedFile +
                                       "; no entry was applied."));
            return;
        }
    }
    const FApplyReport report =
        lirnoFileHelper::ApplyResultPackage(processedFile, UploadedFiles, Settings->TranslateAll);
    ReportApplyNotes(report);
    if (report.IsRefused())
    {
        JobLog("Translation result not applied:{}", report.Refusal);
        EndWithMessage(ResultError(report.Refusal));
        return;
    }
    // Other editors may work on the project again; the post steps only read what was written.
    ProjectLock.reset();

    if (Settings->Auto_CompileText)
    {
        CompileText();
    }
    if (Settings->Auto_GenerateWordCountReport)
    {
        GenerateWordCountReport();
    }
    bEnded = true;
    bTranslationRunning = false;
    bPollReady = true;
    ProgressDialog.reset();
    auto& ui = host::Get().UI();
    if (report.Tally.HasNotes())
    {
        const FApplyTally& tally = report.Tally;
        std::string summary = "Translation applied with exceptions: " + std::to_string(tally.AppliedTranslations()) +
                              " translations applied, " + std::to_string(tally.LocalEditsKept()) +
                              " local edits kept, " + std::to_string(tally.RefusedAnswers()) + " answers refused";
        const std::string kinds = tally.DescribeRefusals();
        summary += kinds.empty() ? "." : " (" + kinds + ").";
        summary += " Each one is listed in the output log under lirnoHelperLog.";
        ui.ShowMessage(summary);
    }
    ui.ShowMessage(QuoteBody(answer.Content.result_msg));
    ui.ShowTab("OutputLog");
}

void lirnoHelper::ReportApplyNotes(const FApplyReport& report)
{
    // Bounded: a hostile package must not flood the log.
    constexpr std::size_t MaxLoggedNotes = 1000;
    const auto& notes = report.Tally.AllNotes();
    for (std::size_t i = 0; i < notes.size() && i < MaxLoggedNotes; ++i)
    {
        JobWarning("Translation answer not applied:{}", FApplyTally::Describe(notes[i]));
    }
    if (notes.size() > MaxLoggedNotes)
    {
        JobWarning("Translation answers not applied:{} more not listed", notes.size() - MaxLoggedNotes);
    }
}
} // namespace lirno
