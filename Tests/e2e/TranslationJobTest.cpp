#include "JobFixture.h"
#include "ProtectedText.h"

#include <LocFormat/TextFiles.h>
#include <csignal>

namespace e2e
{
namespace
{
namespace fs = std::filesystem;

const std::vector<std::string> Targets = {"Game", "Menus"};
const std::vector<std::string> Translated = {"es", "ca", "de", "fr", "ja"};

// The service's default configuration on a free port: the one the demo runs with (apertium
// where installed, pseudo-localization for the rest).
std::string DefaultConfig()
{
    return ReadFile(SERVICE_CONFIG);
}

// True when `needles` occur in `text` in this order.
::testing::AssertionResult InOrder(const std::string& text, const std::vector<std::string>& needles)
{
    std::size_t pos = 0;
    for (const std::string& needle : needles)
    {
        const auto found = text.find(needle, pos);
        if (found == std::string::npos)
            return ::testing::AssertionFailure()
                   << "\"" << needle << "\" missing after offset " << pos << " in:\n"
                   << text;
        pos = found + needle.size();
    }
    return ::testing::AssertionSuccess();
}

void ExpectArchivesAsShipped(const std::string& localization)
{
    for (const std::string& target : Targets)
    {
        for (const std::string& culture : Translated)
        {
            const std::string name = target + "/" + culture + "/" + target + ".archive";
            EXPECT_EQ(ReadFile(localization + "/" + name),
                      ReadFile(std::string(DEMO_PROJECT_DIR) + "/Content/Localization/" + name))
                << name;
        }
    }
}

class TranslationJob : public JobFixture
{
};
} // namespace

TEST_F(TranslationJob, CompletedJobTranslatesEveryCultureAndRunsTheSteps)
{
    StartService(DefaultConfig());
    Configure("demo-key-0001");
    const JobRun run = RunJob("--yes");
    ASSERT_EQ(run.exit_code, 0) << run.output;
    EXPECT_NE(run.output.find("message: Translation finished"), std::string::npos) << run.output;

    const std::string loc = LocalizationFolder();
    for (const std::string& target : Targets)
    {
        EXPECT_TRUE(fs::exists(loc + "/" + target + "/" + target + ".csv"))
            << "word-count report of " << target;
        for (const std::string& culture : Translated)
        {
            const std::string path = loc + "/" + target + "/" + culture + "/" + target + ".archive";
            locformat::FArchive archive;
            std::string error;
            ASSERT_TRUE(locformat::ReadArchive(path, archive, error)) << error;
            ASSERT_FALSE(archive.Entries.empty()) << path;
            for (const auto& entry : archive.Entries)
            {
                EXPECT_TRUE(entry.IsTranslated()) << path << ": " << entry.Key;
                EXPECT_TRUE(lirno::service::ProtectedRunsIntact(entry.Source, entry.Translation))
                    << path << ": " << entry.Source << " -> " << entry.Translation;
            }
            EXPECT_TRUE(fs::exists(loc + "/" + target + "/" + culture + "/" + target + ".resource"))
                << culture;
        }
    }
    EXPECT_FALSE(fs::exists(loc + "/lirno_upload_tmp.bin"));
    EXPECT_FALSE(fs::exists(loc + "/lirno_upload.zip"));
    EXPECT_TRUE(fs::exists(loc + "/lirno_bak.zip"));
    EXPECT_TRUE(fs::exists(loc + "/lirno_tmp_processed.bin"));

    EXPECT_TRUE(InOrder(EditorLog(), {"Start Translate", "GatherText Start", "Native language:Game=en",
                                      "Native language:Menus=en", "Start translation", "Upload completed",
                                      "Translation progress changes:", "Translation progress changes:100",
                                      "CompileText Start", "CompileText Done",
                                      "GenerateWordCountReport Start", "GenerateWordCountReport Done"}));
}

TEST_F(TranslationJob, UnknownKeyIsShownAndLeavesTheArchivesAlone)
{
    StartService(PseudoConfig());
    Configure("not-a-key");
    const JobRun run = RunJob("--yes");
    EXPECT_EQ(run.exit_code, 1) << run.output;
    EXPECT_NE(run.output.find("message: Upload process error:This API key is not known"), std::string::npos)
        << run.output;
    ExpectArchivesAsShipped(LocalizationFolder());
}

TEST_F(TranslationJob, QuotaQuestionAnsweredNoEndsTheJob)
{
    StartService(PseudoConfig());
    Configure("e2e-tiny");
    const JobRun run = RunJob("--no");
    EXPECT_EQ(run.exit_code, 1) << run.output;
    EXPECT_TRUE(InOrder(run.output, {"question: This translation needs", "answer: no"}));
    EXPECT_EQ(run.output.find("Translation progress changes"), std::string::npos) << run.output;
    ExpectArchivesAsShipped(LocalizationFolder());
}

TEST_F(TranslationJob, ServiceKilledWhileTheJobPollsEndsItWithinSeconds)
{
    // The task is paced to take minutes, so the job is surely still polling when the service dies.
    StartService(PseudoConfig(), {"--min-task-seconds", "600"});
    Configure("e2e-key");
    auto job = StartJob("--yes");
    ASSERT_TRUE(WaitFor([&]
                        { return EditorLog().find("Translation progress changes:") != std::string::npos; },
                        std::chrono::seconds(120)))
        << JobOutput();
    const auto killed = std::chrono::steady_clock::now();
    StopService(SIGKILL);
    const auto exit_code = job->Wait(std::chrono::seconds(30));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - killed).count();
    ASSERT_TRUE(exit_code.has_value()) << JobOutput();
    EXPECT_EQ(*exit_code, 1);
    EXPECT_LT(seconds, 6.0);
    EXPECT_NE(JobOutput().find("message: Translation error StatusCode:"), std::string::npos) << JobOutput();
}

TEST_F(TranslationJob, DeclinedUpdateOfferLetsTheJobGoOn)
{
    StartService(PseudoConfig("9.9"));
    Configure("e2e-key");
    const JobRun run = RunJob("--no");
    EXPECT_EQ(run.exit_code, 0) << run.output;
    EXPECT_TRUE(InOrder(run.output, {"question: Version 9.9", "answer: no", "Upload completed",
                                     "message: Translation finished"}));
}
} // namespace e2e
