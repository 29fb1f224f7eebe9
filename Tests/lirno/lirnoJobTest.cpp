// The whole translation job on the fake host, driven by scripted service answers. These tests
// also run under ThreadSanitizer: the status worker runs on a real thread.
#include "lirno.h"
#include "lirnoFileHelper.h"
#include "lirnoTestSupport.h"

#include "Json.h"

#include <filesystem>

namespace lirnotest
{
namespace
{
class TranslationJob : public PluginTest
{
protected:
    void ScriptAcceptedUpload()
    {
        Host->Web.Script(CheckUpdatePath, {200, Envelope(Status::Working)});
        Host->Web.Script(UploadPath, {200, AcceptedUpload()});
    }
    void ScriptStatus(const std::string& body, double delay = 0.2)
    {
        Host->Web.Script(StatusPath, {200, body, delay});
    }
    // The manifest as uploaded and the German archive with one text translated.
    std::vector<std::pair<std::string, std::string>> TranslatedFiles() const
    {
        return {{"Game/Game.manifest", ReadText(Host->LocalizationFolder() + "/Game/Game.manifest")},
                {"Game/de/Game.archive", SampleArchiveWith("de", {{"Greeting", "Hallo, {Name}!"}})}};
    }
    void ScriptFinished(const std::string& message = "All done")
    {
        ScriptStatus(ProgressAnswer(100, ResultPackageB64(TranslatedFiles()), message));
    }
    void QuietSteps()
    {
        Settings().Auto_GatherText = false;
        Settings().Auto_CompileText = false;
        Settings().Auto_GenerateWordCountReport = false;
    }
    // Runs one job to its end and lets its worker finish.
    void RunJob()
    {
        Module.OnPluginAction();
        EXPECT_TRUE(RunUntilJobEnds());
        Host->Clock.RunUntilIdle(30);
    }
    std::vector<std::string> JobLog() const { return Host->Log.Texts("lirnoHelperLog"); }
    std::vector<double> AdvancesOf(const std::string& title) const
    {
        for (const auto& dialog : Host->Ui.Dialogs)
        {
            if (dialog->Title.Source == title)
            {
                return dialog->Advances;
            }
        }
        return {};
    }
    void ExpectEndedWith(const std::string& message)
    {
        EXPECT_FALSE(lirno::bTranslationRunning);
        ASSERT_FALSE(Host->Ui.Messages.empty());
        EXPECT_EQ(Host->Ui.Messages.back(), message);
        EXPECT_FALSE(Host->Ui.AnyDialogOpen());
        EXPECT_EQ(Host->Clock.LiveBackgroundTasks(), 0);
        EXPECT_EQ(lirno::lirnoHelper::LiveJobs(), 0) << "an ended job must be freed";
    }

    lirno::FlirnoModule Module;
};

TEST_F(TranslationJob, SuccessfulJobRunsEveryStepInOrder)
{
    ScriptAcceptedUpload();
    ScriptStatus(ProgressAnswer(20));
    ScriptStatus(ProgressAnswer(50));
    ScriptFinished("Translated 120 characters");

    RunJob();

    const std::vector<std::string> expected = {
        "Start Translate",
        "GatherText Start",
        "GatherText:Game",
        "=== Starting Task [Generate GatherText] ===",
        "===> Task [Generate GatherText] returned : 0",
        "GatherText Done",
        "Native language:Game=en",
        "Start translation",
        "Upload completed",
        "Translation progress changes:20",
        "Translation progress changes:50",
        "Translation progress changes:100",
        "CompileText Start",
        "CompileText:Game",
        "=== Starting Task [CompileText] ===",
        "===> Task [CompileText] returned : 0",
        "CompileText Done",
        "GenerateWordCountReport Start",
        "GenerateWordCountReport:Game",
        "=== Starting Task [Generate Reports] ===",
        "===> Task [Generate Reports] returned : 0",
        "GenerateWordCountReport Done",
    };
    EXPECT_EQ(JobLog(), expected);
    EXPECT_EQ(Host->Timeline.With("dialog:"),
              (std::vector<std::string>{"CheckUpdate...", "GatherText...", "Uploading...", "Translating...",
                                        "CompileText...", "GenerateWordCountReports..."}));
    EXPECT_EQ(AdvancesOf("Uploading..."), std::vector<double>{100});
    EXPECT_EQ(AdvancesOf("Translating..."), (std::vector<double>{20, 30, 50}));
    EXPECT_EQ(Host->Ui.Messages, std::vector<std::string>{"Translated 120 characters"});
    EXPECT_EQ(Host->Ui.Tabs, std::vector<std::string>{"OutputLog"});
    ExpectEndedWith("Translated 120 characters");

    const std::string folder = Host->LocalizationFolder();
    EXPECT_EQ(ReadText(folder + "/Game/de/Game.archive"), TranslatedFiles()[1].second);
    EXPECT_EQ(ReadText(folder + "/Game/en/Game.archive"), SampleArchiveWith("en", {}));
    EXPECT_EQ(ReadText(folder + "/lirno_tmp_processed.bin").substr(0, 4), std::string("PK\x03\x04", 4))
        << "the processed file is left holding the plain archive";
    EXPECT_TRUE(std::filesystem::exists(folder + "/lirno_bak.zip"));
    EXPECT_FALSE(std::filesystem::exists(folder + "/lirno_upload_tmp.bin"));
    EXPECT_FALSE(std::filesystem::exists(folder + "/lirno_upload.zip"));
}

TEST_F(TranslationJob, RequestsCarryTheJobNumberPackageAndTaskRecord)
{
    ScriptAcceptedUpload();
    ScriptStatus(ProgressAnswer(30));
    ScriptFinished();
    RunJob();

    const auto check = Host->Web.RequestsTo(CheckUpdatePath);
    ASSERT_EQ(check.size(), 1u);
    EXPECT_TRUE(check[0].Request.Body.empty());
    EXPECT_EQ(check[0].Header("Rnd"), "0");
    EXPECT_EQ(check[0].Request.Url, std::string(ServiceHost) + CheckUpdatePath);

    const auto upload = Host->Web.RequestsTo(UploadPath);
    ASSERT_EQ(upload.size(), 1u);
    const std::string rnd = upload[0].Header("Rnd");
    EXPECT_LE(std::stoi(rnd), 32767);
    // The body is the shifted upload archive; un-shifted it opens with the prefix plus "Rnd".
    auto archive = upload[0].Request.Body;
    lirno::protocol::UnshiftBytes(archive, lirno::protocol::UploadShift);
    const std::string archivePath = Host->Root + "/received.zip";
    host::File::WriteAll(archivePath, archive);
    const std::string password = std::string(lirno::protocol::UploadPasswordPrefix) + rnd;
    EXPECT_EQ(ZipEntryText(archivePath, "Game/de/Game.archive", password.c_str()), SampleArchiveWith("de", {}));
    EXPECT_EQ(ZipEntryNames(archivePath), ZipEntryNames(Host->LocalizationFolder() + "/lirno_bak.zip"));

    const auto status = Host->Web.RequestsTo(StatusPath);
    ASSERT_EQ(status.size(), 2u);
    for (const auto& request : status)
    {
        EXPECT_EQ(request.BodyText(), host::RecordToJson(AcceptedTask()));
        EXPECT_EQ(request.Header("Rnd"), "0");
        EXPECT_FALSE(request.FromMainThread) << "status requests come from the worker";
    }
}

struct FEndCase
{
    const char* Name;
    std::vector<std::pair<std::string, fake::FAnswer>> Answers;
    std::deque<bool> YesNo;
    std::string Message; // the last OK box, or empty
    std::string Question;
    std::vector<std::string> Urls;
};

TEST_F(TranslationJob, EveryEndStateShowsItsMessageAndClosesTheDialog)
{
    lirno::FTask_Status offer;
    offer.result_errormsg = "https://pay.example/upgrade";
    const std::string ok = Envelope(Status::Working);
    const std::vector<FEndCase> cases = {
        {"check-update failed",
         {{CheckUpdatePath, {500, "<html>down</html>"}}},
         {},
         "CheckUpdate error! StatusCode:500. Message:<html>down</html>",
         "",
         {}},
        {"check-update without response",
         {{CheckUpdatePath, {0, ""}}},
         {},
         "CheckUpdate error! StatusCode:0. Message:",
         "",
         {}},
        {"update accepted",
         {{CheckUpdatePath, {200, Envelope(Status::UpdateOffer, "Update now?", offer)}}},
         {true},
         "",
         "Update now?",
         {"https://pay.example/upgrade"}},
        {"upload failed",
         {{CheckUpdatePath, {200, ok}}, {UploadPath, {413, "too large"}}},
         {},
         "Upload error! StatusCode:413. Message:too large",
         "",
         {}},
        {"upload refused",
         {{CheckUpdatePath, {200, ok}}, {UploadPath, {200, Envelope(Status::Refused, "Bad key")}}},
         {},
         "Upload process error:Bad key",
         "",
         {}},
        {"upload unreadable answer",
         {{CheckUpdatePath, {200, ok}}, {UploadPath, {200, "not json"}}},
         {},
         "Upload process error:",
         "",
         {}},
        {"upload offers a page, yes",
         {{CheckUpdatePath, {200, ok}},
          {UploadPath, {200, Envelope(Status::Question, "Quota used up. Buy more?", offer)}}},
         {true},
         "",
         "Quota used up. Buy more?",
         {"https://pay.example/upgrade"}},
        {"upload offers a page, no",
         {{CheckUpdatePath, {200, ok}},
          {UploadPath, {200, Envelope(Status::OtherQuestion, "Log in?", offer)}}},
         {false},
         "",
         "Log in?",
         {}},
        {"status failed",
         {{CheckUpdatePath, {200, ok}},
          {UploadPath, {200, AcceptedUpload()}},
          {StatusPath, {502, "gateway"}}},
         {},
         "Translation error StatusCode:502. Message:gateway",
         "",
         {}},
        {"status refused",
         {{CheckUpdatePath, {200, ok}},
          {UploadPath, {200, AcceptedUpload()}},
          {StatusPath, {200, ProgressAnswer(10)}},
          {StatusPath, {200, Envelope(Status::Refused, "Task lost")}}},
         {},
         "Translation error:Task lost",
         "",
         {}},
        {"status offers a page",
         {{CheckUpdatePath, {200, ok}},
          {UploadPath, {200, AcceptedUpload()}},
          {StatusPath, {200, Envelope(Status::Question, "Top up?", offer)}}},
         {true},
         "",
         "Top up?",
         {"https://pay.example/upgrade"}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.Name);
        fake::FScopedFakeHost fresh;
        fresh->AddGameTarget("Game", {"en", "de"});
        lirno::UlirnoSetting::Get()->Host = ServiceHost;
        lirno::UlirnoSetting::Get()->Auto_GatherText = false;
        for (const auto& [path, answer] : c.Answers)
        {
            fresh->Web.Script(path, answer);
        }
        fresh->Ui.YesNoAnswers = c.YesNo;
        bool dialogOpenAtMessage = false;
        fresh->Ui.OnMessage = [&](const std::string&) { dialogOpenAtMessage = fresh->Ui.AnyDialogOpen(); };

        Module.OnPluginAction();
        EXPECT_TRUE(fresh->Clock.RunUntil([] { return !lirno::bTranslationRunning; }));
        fresh->Clock.RunUntilIdle(30);

        EXPECT_EQ(fresh->Ui.Messages,
                  c.Message.empty() ? std::vector<std::string>{} : std::vector{c.Message});
        EXPECT_EQ(fresh->Ui.Questions,
                  c.Question.empty() ? std::vector<std::string>{} : std::vector{c.Question});
        EXPECT_EQ(fresh->Ui.Urls, c.Urls);
        EXPECT_TRUE(c.Message.empty() || dialogOpenAtMessage) << "the message shows before the dialog closes";
        EXPECT_FALSE(fresh->Ui.AnyDialogOpen());
        EXPECT_TRUE(fresh->Ui.Tabs.empty());
        EXPECT_EQ(fresh->Clock.LiveBackgroundTasks(), 0);
        EXPECT_EQ(lirno::lirnoHelper::LiveJobs(), 0);
    }
}

TEST_F(TranslationJob, StartChecksEndTheJobBeforeAnyRequest)
{
    Host->Loc.SetGameTargets({{"Game", 0, {"en"}}, {"Menus", 2, {"en", "fr"}}, {"Later", -1, {}}});
    Module.OnPluginAction();
    ExpectEndedWith(
        "You must set the native language before you can start the translation, please specify the "
        "native language for [Menus] first, usually English.");
    EXPECT_TRUE(Host->Web.Requests().empty());

    // A project without targets passes the check and ends at the culture count.
    Host->Loc.SetGameTargets({});
    Settings().Auto_GatherText = false;
    Host->Web.Script(CheckUpdatePath, {200, Envelope(Status::Refused)});
    RunJob();
    ExpectEndedWith("No language information found, please run the [GatherText] command first!");
    EXPECT_EQ(Host->Timeline.With("closed:"), std::vector<std::string>{"CheckUpdate..."});
}

TEST_F(TranslationJob, DeclinedUpdateAndSwitchedOffStepsGoStraightOn)
{
    lirno::FTask_Status offer;
    offer.result_errormsg = "https://update.example";
    Host->Web.Script(CheckUpdatePath, {200, Envelope(Status::UpdateOffer, "Update?", offer)});
    Host->Ui.YesNoAnswers = {false};
    Host->Web.Script(UploadPath, {200, AcceptedUpload()});
    ScriptFinished("fine");
    QuietSteps();
    RunJob();
    ExpectEndedWith("fine");
    EXPECT_TRUE(Host->Ui.Urls.empty());
    EXPECT_TRUE(Host->Loc.StepCalls().empty());

    // Without the update check the first thing the user sees is the upload.
    Host->Ui.Dialogs.clear();
    Settings().AutoCheckUpdate = false;
    Host->Web.Script(UploadPath, {200, AcceptedUpload()});
    ScriptFinished("fine again");
    RunJob();
    ExpectEndedWith("fine again");
    ASSERT_FALSE(Host->Ui.Dialogs.empty());
    EXPECT_EQ(Host->Ui.Dialogs.front()->Title.Source, "Uploading...");
    EXPECT_EQ(Host->Web.RequestsTo(CheckUpdatePath).size(), 1u);
}

TEST_F(TranslationJob, ProgressIsLoggedWithoutDecimals)
{
    ScriptAcceptedUpload();
    QuietSteps();
    ScriptStatus(ProgressAnswer(37.6));
    ScriptStatus(ProgressAnswer(12.2)); // a service may go back; the dialog follows
    ScriptFinished();
    RunJob();
    const auto log = JobLog();
    EXPECT_NE(std::find(log.begin(), log.end(), "Translation progress changes:38"), log.end());
    EXPECT_NE(std::find(log.begin(), log.end(), "Translation progress changes:12"), log.end());
    const auto advances = AdvancesOf("Translating...");
    ASSERT_EQ(advances.size(), 3u);
    EXPECT_DOUBLE_EQ(advances[0], 37.6);
    EXPECT_DOUBLE_EQ(advances[1], 12.2 - 37.6);
    EXPECT_DOUBLE_EQ(advances[2], 100 - 12.2);
}

TEST_F(TranslationJob, PollsOneIntervalApartWithOneRequestInFlight)
{
    ScriptAcceptedUpload();
    QuietSteps();
    ScriptStatus(ProgressAnswer(10), 0.2);
    ScriptStatus(ProgressAnswer(20), 0.4);
    ScriptStatus(ProgressAnswer(30), 2.5); // slower than the interval
    ScriptStatus(ProgressAnswer(40), 0.1);
    ScriptFinished();
    RunJob();

    const auto status = Host->Web.RequestsTo(StatusPath);
    ASSERT_EQ(status.size(), 5u);
    const double start = status[0].SentAt;
    std::vector<double> offsets;
    for (const auto& request : status)
    {
        offsets.push_back(request.SentAt - start);
    }
    // After the 2.5 s answer the worker's next whole-interval look is 3 s after its request.
    EXPECT_EQ(offsets, (std::vector<double>{0, 1, 2, 5, 6}));
    EXPECT_EQ(Host->Web.MaxInFlight(), 1);
    ExpectEndedWith("All done");
}

TEST_F(TranslationJob, SettingsChangedWhileWaitingApplyAtTheNextStep)
{
    ScriptAcceptedUpload();
    ScriptStatus(ProgressAnswer(10), 0.2);
    ScriptFinished();
    Settings().Auto_GatherText = false;
    Module.OnPluginAction();
    ASSERT_TRUE(Host->Clock.RunUntil([&] { return Host->Web.RequestsTo(StatusPath).size() == 1; }));

    Settings().Host = "http://moved.test";
    Settings().Auto_CompileText = false;
    Settings().TranslatorProvider = lirno::ETranslatorType::AWS;
    EXPECT_TRUE(RunUntilJobEnds());
    Host->Clock.RunUntilIdle(30);

    const auto status = Host->Web.RequestsTo(StatusPath);
    ASSERT_EQ(status.size(), 2u);
    EXPECT_EQ(status[1].Request.Url, std::string("http://moved.test") + StatusPath);
    EXPECT_EQ(status[1].Header("TranslatorType"), "4");
    EXPECT_EQ(Host->Log.Texts("lirnoHelperLog").back(), "GenerateWordCountReport Done");
    for (const auto& line : JobLog())
    {
        EXPECT_NE(line, "CompileText Start");
    }
}

TEST_F(TranslationJob, FinishedWithoutPackageEndsTheJob)
{
    ScriptAcceptedUpload();
    QuietSteps();
    ScriptStatus(ProgressAnswer(100));
    RunJob();
    ExpectEndedWith(
        "Translation error:the service reported the translation as finished but sent no translated "
        "package.");
    EXPECT_EQ(JobLog().back(), "Translation finished without a translated package");
    EXPECT_EQ(Host->Web.RequestsTo(StatusPath).size(), 1u);
}

TEST_F(TranslationJob, PackagingFailureSendsNothing)
{
    QuietSteps();
    host::FIniDocument config;
    config.Set("CommonSettings", "SourcePath", "Content/Localization/Game");
    config.Set("CommonSettings", "DestinationPath", "Content/Localization/Game");
    config.Set("CommonSettings", "ArchiveName", "Game.archive");
    const auto target = Host->Loc.GameTargets().front();
    Host->Loc.WriteConfig(config, Host->Loc.ConfigPath(*target, host::ELocalizationStep::GatherText));
    Host->Web.Script(CheckUpdatePath, {200, Envelope(Status::Working)});
    RunJob();

    ExpectEndedWith("Upload package error:No manifest name specified. Target:[Game]");
    EXPECT_TRUE(Host->Web.RequestsTo(UploadPath).empty());
    const std::string folder = Host->LocalizationFolder();
    EXPECT_FALSE(std::filesystem::exists(folder + "/lirno_upload_tmp.bin"));
    EXPECT_FALSE(std::filesystem::exists(folder + "/lirno_upload.zip"));
    EXPECT_FALSE(std::filesystem::exists(folder + "/lirno_bak.zip"));
}

TEST_F(TranslationJob, UnusablePackagesAreNotReportedAsSuccess)
{
    struct FCase
    {
        const char* Name;
        std::string FileB64;
        std::string Message;
    };
    const std::string badZip = host::Base64Encode(std::string("this is no archive"));
    const std::vector<FCase> cases = {
        {"not base64", "@@not base64@@",
         "Translation result error:the translated package could not be decoded; no entry was applied. The "
         "backup "
         "archive lirno_bak.zip of the upload remains in the localization folder."},
        {"not an archive", badZip,
         "Translation result error:the translated package could not be opened; no entry was applied. The backup "
         "archive lirno_bak.zip of the upload remains in the localization folder."},
        {"no archive", ResultPackageB64({{"../outside.txt", "x"}}),
         "Translation result error:the service returned no translated archive; no entry was applied. The backup "
         "archive lirno_bak.zip of the upload remains in the localization folder."},
    };
    QuietSteps();
    Settings().Auto_CompileText = true;
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.Name);
        Host->Ui.Messages.clear();
        ScriptAcceptedUpload();
        ScriptStatus(ProgressAnswer(100, c.FileB64, "should not be shown"));
        RunJob();
        ExpectEndedWith(c.Message);
        EXPECT_TRUE(Host->Ui.Tabs.empty());
        EXPECT_TRUE(Host->Loc.StepCalls().empty()) << "no compile step after a failed application";
        EXPECT_TRUE(std::filesystem::exists(Host->LocalizationFolder() + "/lirno_bak.zip"));
    }
    EXPECT_FALSE(std::filesystem::exists(Host->Folders.ProjectDir() + "Content/outside.txt"));
}

TEST_F(TranslationJob, RefusedAnswersAreSummedUpBeforeTheResult)
{
    QuietSteps();
    ScriptAcceptedUpload();
    const std::string de = SampleArchiveWith("de", {{"Greeting", "Hallo, {Name}!"}, {"Quit", "Verlassen"}});
    ScriptStatus(ProgressAnswer(100, ResultPackageB64({{"Game/de/Game.archive", de}}), "Done"));
    RunJob();
    ASSERT_EQ(Host->Ui.Messages.size(), 2u);
    EXPECT_EQ(Host->Ui.Messages[0],
              "Translation applied with exceptions: 1 translations applied, 0 local edits kept, 1 answers refused (1 "
              "existing translations kept). Each one is listed in the output log under lirnoHelperLog.");
    ExpectEndedWith("Done");
    std::vector<std::string> warnings;
    for (const auto& line : Host->Log.Lines())
    {
        if (line.Verbosity == host::EVerbosity::Warning)
        {
            warnings.push_back(line.Text);
        }
    }
    EXPECT_EQ(warnings, std::vector<std::string>{"Translation answer not applied:Game/de/Game.archive [UI/Quit]: the service "
                                       "replaced an existing translation while TranslateAll is off; the existing "
                                       "translation is kept"});
    EXPECT_EQ(ReadArchive(Host->LocalizationFolder() + "/Game/de/Game.archive").Entries[2].Translation, "Quit (de)");
}

TEST_F(TranslationJob, ProgressStandingStillForHalfAnHourEndsTheJob)
{
    QuietSteps();
    ScriptAcceptedUpload();
    for (int i = 0; i < 2000; ++i)
    {
        ScriptStatus(ProgressAnswer(50), 0.0);
    }
    RunJob();
    ExpectEndedWith("Translation error:the service reported no progress for 30 minutes (still at 50%). The job "
                    "was stopped and nothing was applied.");
    const auto polls = Host->Web.RequestsTo(StatusPath).size();
    EXPECT_GT(polls, 1000u);
    EXPECT_LT(polls, 1900u);
}

TEST_F(TranslationJob, AJobOfAnotherEditorOnTheProjectKeepsThisOneOff)
{
    std::string error;
    const auto other = host::FFileLock::TryAcquire(lirno::lirnoFileHelper::ProjectLockPath(), error);
    ASSERT_TRUE(other) << error;
    Module.OnPluginAction();
    EXPECT_TRUE(Host->Web.Requests().empty());
    ASSERT_EQ(Host->Ui.Messages.size(), 1u);
    EXPECT_EQ(Host->Ui.Messages[0].rfind("Another translation job is running on this project (its lock " +
                                             lirno::lirnoFileHelper::ProjectLockPath(),
                                         0),
              0u);
    EXPECT_FALSE(lirno::bTranslationRunning);
}

TEST_F(TranslationJob, AnEndedJobNeverActsOnTheNextOne)
{
    QuietSteps();
    Settings().AutoCheckUpdate = false;
    Host->Web.Script(UploadPath, {200, AcceptedUpload()});
    ScriptStatus(ProgressAnswer(10), 0.2);
    Host->Web.Script(StatusPath, {503, "busy", 0.2});
    Module.OnPluginAction();
    ASSERT_TRUE(RunUntilJobEnds());
    EXPECT_EQ(Host->Ui.Messages.back(), "Translation error StatusCode:503. Message:busy");

    // The first job's worker is still asleep when the next job starts and waits for its upload.
    Module.OnPluginAction();
    EXPECT_TRUE(lirno::bTranslationRunning);
    Host->Clock.RunUntil([] { return false; }, 10.0);
    EXPECT_TRUE(lirno::bTranslationRunning) << "the old worker must not end the new job";
    EXPECT_EQ(Host->Web.RequestsTo(StatusPath).size(), 2u) << "the old worker sends nothing more";
    EXPECT_EQ(Host->Ui.Messages.size(), 1u);

    ASSERT_TRUE(Host->Web.Respond({200, Envelope(Status::Refused, "Second job refused")}));
    ASSERT_TRUE(RunUntilJobEnds());
    Host->Clock.RunUntilIdle(30);
    ExpectEndedWith("Upload process error:Second job refused");
}

TEST_F(TranslationJob, SecondExecutionWhileRunningOnlyShowsAMessage)
{
    Module.OnPluginAction(); // waits for its check-update answer
    Module.OnPluginAction();
    EXPECT_EQ(Host->Ui.Messages, std::vector<std::string>{"Translation is running!"});
    EXPECT_EQ(Host->Web.Requests().size(), 1u);
    EXPECT_EQ(lirno::lirnoHelper::LiveJobs(), 1);

    ASSERT_TRUE(Host->Web.Respond({404, "gone"}));
    ASSERT_TRUE(RunUntilJobEnds());
    ExpectEndedWith("CheckUpdate error! StatusCode:404. Message:gone");
}
} // namespace
} // namespace lirnotest
