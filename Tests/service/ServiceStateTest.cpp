// The service's database: charges, tasks and their life across a reopening of the file.
#include "ServiceState.h"
#include "Accounts.h"
#include "Sqlite.h"
#include "TempFolder.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace lirno::service
{
namespace
{

class ServiceStateFile : public ::testing::Test
{
protected:

    std::unique_ptr<ServiceState> Open()
    {
        std::string error;
        auto state = ServiceState::Open(path_, error);
        EXPECT_TRUE(state) << error;
        return state;
    }

    static TaskRecord Record(std::int32_t characters)
    {
        TaskRecord record;
        record.CharCount = characters;
        record.UsedCharCount = characters;
        record.UserID = 7;
        return record;
    }

    static TaskInput Input(const std::string& key)
    {
        TaskInput input;
        input.api_key = key;
        input.provider = "pseudo";
        input.job_number = "77";
        input.natives = {{"Game", "en"}, {"Menus", "en-US"}};
        return input;
    }

    testsupport::FTempFolder folder_{"lirno-state"};
    std::string path_ = (folder_ / "state.db").string();
};
} // namespace

TEST(Accounts, FindsConfiguredKeysWithTheirTopUpPage)
{
    ServiceConfig config;
    config.accounts = {{"k", 7, 100, ""}, {"own", 8, 5, "http://own.page"}};
    config.top_up_url = "http://top.up";
    const Accounts accounts(config);
    EXPECT_FALSE(accounts.Find(""));
    EXPECT_FALSE(accounts.Find("other"));
    ASSERT_TRUE(accounts.Find("k"));
    EXPECT_EQ(accounts.Find("k")->user_id, 7);
    EXPECT_EQ(accounts.Find("k")->top_up_url, "http://top.up");
    EXPECT_EQ(accounts.Find("own")->top_up_url, "http://own.page");
}

TEST_F(ServiceStateFile, ChargesWithinTheAllowanceAndKeepsTheChargeAcrossReopening)
{
    {
        auto state = Open();
        const Acceptance first = state->Accept(Record(60), Input("k"), "upload", 100, 10);
        ASSERT_EQ(first.outcome, Acceptance::Outcome::Accepted) << first.error;
        EXPECT_EQ(first.remaining, 40);
        ASSERT_EQ(first.record.TaskidList.size(), 1u);
        const Acceptance second = state->Accept(Record(60), Input("k"), "upload", 100, 10);
        EXPECT_EQ(second.outcome, Acceptance::Outcome::Insufficient);
        EXPECT_EQ(second.remaining, 40);
    }
    auto state = Open();
    EXPECT_EQ(state->Used("k"), 60) << "a restart does not refill the allowance";
    EXPECT_EQ(state->Accept(Record(41), Input("k"), "u", 100, 10).outcome, Acceptance::Outcome::Insufficient);
    // A larger configured allowance tops the key up.
    EXPECT_EQ(state->Accept(Record(41), Input("k"), "u", 101, 10).outcome, Acceptance::Outcome::Accepted);
    EXPECT_EQ(state->Used("k"), 101);
}

TEST_F(ServiceStateFile, BusyRefusalChargesNothing)
{
    auto state = Open();
    ASSERT_EQ(state->Accept(Record(5), Input("k"), "u", 100, 1).outcome, Acceptance::Outcome::Accepted);
    EXPECT_EQ(state->Accept(Record(5), Input("k"), "u", 100, 1).outcome, Acceptance::Outcome::Busy);
    EXPECT_EQ(state->Used("k"), 5);
}

TEST_F(ServiceStateFile, UnfinishedTasksAreQueuedAgainWithTheirInputAndFinishedOnesAnswered)
{
    std::int32_t running = 0, queued = 0, finished = 0;
    {
        auto state = Open();
        running = state->Accept(Record(3), Input("k"), "first upload", 100, 10).record.TaskidList.front();
        queued = state->Accept(Record(4), Input("k"), std::string("second\0upload", 13), 100, 10)
                     .record.TaskidList.front();
        finished = state->Accept(Record(5), Input("other"), "third", 100, 10).record.TaskidList.front();
        ASSERT_TRUE(state->Claim(running));
        EXPECT_FALSE(state->Claim(running)) << "a task runs once";
        state->SetProgress(running, 2);
        ASSERT_TRUE(state->Claim(finished));
        state->Finish(finished, true, "UEsFBg==", "done");
    }
    auto state = Open();
    EXPECT_EQ(state->Requeue(), (std::vector<std::int32_t>{running, queued}));
    const auto again = state->Claim(queued);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->upload, std::string("second\0upload", 13));
    EXPECT_EQ(again->characters, 4);
    EXPECT_EQ(again->input.api_key, "k");
    EXPECT_EQ(again->input.job_number, "77");
    EXPECT_EQ(again->input.natives, Input("k").natives);

    const auto view = state->Find(finished, 900);
    ASSERT_TRUE(view);
    EXPECT_EQ(view->state, TaskView::State::Finished);
    EXPECT_EQ(view->api_key, "other");
    EXPECT_EQ(view->file_b64, "UEsFBg==");
    EXPECT_EQ(view->message, "done");
    EXPECT_EQ(view->record.TaskidList, std::vector<std::int32_t>{finished});
    EXPECT_EQ(view->record.CharCount, 5);
    EXPECT_EQ(state->Find(running, 900)->done_characters, 0) << "a resumed task starts over";
    // Expired results are gone for good.
    EXPECT_FALSE(state->Find(finished, -1));
    state->Evict(-1);
    EXPECT_TRUE(state->Find(running, -1));
    EXPECT_FALSE(state->Find(finished, 900));
}

TEST_F(ServiceStateFile, RefusesANewerSchemaAnotherProgramsFileAndASecondService)
{
    auto first = Open();
    std::string error;
    EXPECT_FALSE(ServiceState::Open(path_, error)) << "one service per database";
    EXPECT_NE(error.find(path_), std::string::npos) << error;
    first.reset();
    {
        auto db = SqliteDb::Open(path_, error);
        ASSERT_TRUE(db);
        ASSERT_TRUE(db->Execute("PRAGMA user_version = 99", error)) << error;
    }
    EXPECT_FALSE(ServiceState::Open(path_, error));
    EXPECT_NE(error.find("99"), std::string::npos) << error;

    const std::string other = (folder_ / "other.db").string();
    {
        auto db = SqliteDb::Open(other, error);
        ASSERT_TRUE(db);
        ASSERT_TRUE(
            db->Execute("CREATE TABLE service_info (name TEXT, value TEXT); PRAGMA user_version = 1", error));
    }
    EXPECT_FALSE(ServiceState::Open(other, error));
    EXPECT_NE(error.find("not a translation-service database"), std::string::npos) << error;
}
} // namespace lirno::service
