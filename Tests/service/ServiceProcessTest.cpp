// The service program as an operator starts it: its command line, its exit statuses, and what
// survives when it is killed and started again on the same database.
#include "PackageFixture.h"
#include "Processes.h"
#include "TempFolder.h"
#include "lirnoProtocol.h"

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <thread>

namespace lirno::service
{
namespace
{
namespace fs = std::filesystem;
using e2e::Process;
using e2e::ReadFile;
using e2e::WaitFor;
using nlohmann::json;
using protocol::StatusPath;
using protocol::UploadPath;
namespace Field = protocol::Field;
namespace Status = protocol::Status;

json PostTo(int port, const std::string& path, const std::string& body, const std::string& key)
{
    httplib::Client client("127.0.0.1", port);
    client.set_read_timeout(10, 0);
    const auto result = client.Post(path.c_str(), test::PluginHeaders(key), body, "application/json");
    if (!result)
        return json{{"transport_error", static_cast<int>(result.error())}};
    return json::parse(result->body, nullptr, false);
}

class ServiceProcess : public ::testing::Test
{
protected:
    void TearDown() override { service_.reset(); }

    std::string WriteConfig(const std::string& text)
    {
        const std::string path = (folder_ / "config.json").string();
        std::ofstream(path) << text;
        return path;
    }

    struct Finished
    {
        int exit_code = -1;
        std::string output;
    };
    Finished RunToEnd(std::vector<std::string> args)
    {
        args.insert(args.begin(), SERVICE_PATH);
        const std::string output = (folder_ / "run.out").string();
        Process process(args, output);
        const auto code = process.Wait(std::chrono::seconds(60));
        return {code.value_or(-1), ReadFile(output)};
    }

    // Starts the service in the background on the folder's configuration and database; the port
    // is 0 (a free one) unless given.
    int Start(int port = 0, const std::vector<std::string>& extra = {})
    {
        const std::string port_file = (folder_ / "service.port").string();
        fs::remove(port_file);
        std::vector<std::string> args = {
            SERVICE_PATH,  "--config", (folder_ / "config.json").string(), "--port", std::to_string(port),
            "--port-file", port_file};
        args.insert(args.end(), extra.begin(), extra.end());
        service_ = std::make_unique<Process>(args, (folder_ / "service.out").string());
        if (!WaitFor([&] { return fs::exists(port_file) || service_->Wait(std::chrono::milliseconds(0)); },
                     std::chrono::seconds(30)) ||
            !fs::exists(port_file))
        {
            ADD_FAILURE() << "the service did not start: " << ReadFile((folder_ / "service.out").string());
            return 0;
        }
        return std::stoi(ReadFile(port_file));
    }

    testsupport::FTempFolder folder_{"lirno-service"};
    std::unique_ptr<Process> service_;
};
} // namespace

TEST_F(ServiceProcess, RefusesBadFlagsAndValuesWithOneLineAndStatusTwo)
{
    const std::string config = WriteConfig(R"({"accounts": []})");
    struct Case
    {
        std::vector<std::string> args;
        const char* named; // the line must say what is wrong
    };
    const std::vector<Case> cases = {
        {{"--port", "70000"}, "--port"},
        {{"--port", "-1"}, "--port"},
        {{"--log-level", "verbose"}, "--log-level"},
        {{"--workers", "0"}, "--workers"},
        {{"--no-such-flag"}, "--no-such-flag"},
        {{"--config", (folder_ / "missing.json").string()}, "missing.json"},
    };
    for (const Case& c : cases)
    {
        const Finished run = RunToEnd(c.args);
        EXPECT_EQ(run.exit_code, 2) << c.named << ": " << run.output;
        EXPECT_NE(run.output.find(c.named), std::string::npos) << run.output;
        EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 1) << run.output;
    }
    for (const char* text : {R"({"port": 70000})", R"({"workers": 0})", R"({"http_threads": 0})"})
    {
        WriteConfig(text);
        const Finished run = RunToEnd({"--config", config});
        EXPECT_EQ(run.exit_code, 2) << text << ": " << run.output;
        EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 1) << run.output;
    }
    EXPECT_FALSE(fs::exists(folder_ / "translation-service.db")) << "a refused start leaves no database";
}

TEST_F(ServiceProcess, VersionPrintsNameAndProductVersion)
{
    const Finished run = RunToEnd({"--version"});
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_EQ(run.output, std::string("translation-service ") + LIRNO_VERSION + "\n");
}

TEST_F(ServiceProcess, BusyPortIsAnErrorNamingItAndTheFirstServiceKeepsIt)
{
    WriteConfig(R"({"accounts": []})");
    const int port = Start();
    ASSERT_GT(port, 0);
    const Finished second = RunToEnd({"--config", (folder_ / "config.json").string(), "--port",
                                      std::to_string(port), "--database", (folder_ / "second.db").string()});
    EXPECT_EQ(second.exit_code, 1) << second.output;
    EXPECT_NE(second.output.find("port " + std::to_string(port)), std::string::npos) << second.output;
    EXPECT_EQ(second.output.find("listening"), std::string::npos) << second.output;
    EXPECT_FALSE(service_->Wait(std::chrono::milliseconds(0))) << "the first service is still running";
}

TEST_F(ServiceProcess, KilledMidTaskTheRestartedServiceFinishesItAndChargesOnce)
{
    WriteConfig(R"({"default_provider": "pseudo", "fallback": "pseudo",
                    "accounts": [{"key": "k", "user_id": 5, "allowance": 1000}]})");
    // Paced, so the kill lands while the task runs.
    int port = Start(0, {"--min-task-seconds", "8"});
    ASSERT_GT(port, 0);
    const json accepted =
        PostTo(port, UploadPath, test::UploadBody(test::SampleUpload(), "77"), "k");
    ASSERT_EQ(accepted.value(Field::Status, -1), Status::Working) << accepted.dump();
    const json record = accepted[Field::Content];
    const int characters = record[Field::CharCount];
    ASSERT_GT(characters, 0);
    json answer;
    ASSERT_TRUE(WaitFor(
        [&]
        {
            answer = PostTo(port, StatusPath, record.dump(), "k");
            return answer[Field::Content].value(Field::CompletionProgress, 0.0) > 0.0;
        },
        std::chrono::seconds(30)))
        << answer.dump();
    ASSERT_LT(answer[Field::Content][Field::CompletionProgress].get<double>(), 100.0);
    service_->Kill(SIGKILL);
    service_->Wait(std::chrono::seconds(10));

    // Same port, same database, no pacing: the polling client never learns of the restart.
    ASSERT_EQ(Start(port), port) << ReadFile((folder_ / "service.out").string());
    ASSERT_TRUE(WaitFor(
        [&]
        {
            answer = PostTo(port, StatusPath, record.dump(), "k");
            return answer.value(Field::Status, -1) != Status::Working ||
                   answer[Field::Content][Field::CompletionProgress] >= 100.0;
        },
        std::chrono::seconds(60)))
        << answer.dump();
    ASSERT_EQ(answer.value(Field::Status, -1), Status::Working) << answer.dump();
    const std::string package = answer[Field::Content][Field::FileB64];
    EXPECT_EQ(test::ReadResultPackage(package).size(), 3u);
    EXPECT_NE(ReadFile((folder_ / "service.out").string()).find("resuming 1 unfinished task"),
              std::string::npos);

    // Charged once: what is left is the allowance less one task, after the kill and again after
    // a second restart, where the finished task is still answered with its package.
    service_->Kill(SIGKILL);
    service_->Wait(std::chrono::seconds(10));
    ASSERT_EQ(Start(port), port);
    const json after = PostTo(port, StatusPath, record.dump(), "k");
    EXPECT_EQ(after[Field::Content][Field::CompletionProgress], 100.0) << after.dump();
    EXPECT_EQ(after[Field::Content][Field::FileB64], package);
    const json next = PostTo(port, UploadPath, test::UploadBody(test::SampleUpload(), "77"), "k");
    ASSERT_EQ(next.value(Field::Status, -1), Status::Working) << next.dump();
    EXPECT_EQ(next[Field::Content][Field::UserTransLimit_LastCharCount], 1000 - 2 * characters);
}
} // namespace lirno::service
