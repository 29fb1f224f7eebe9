#include "JobFixture.h"

#include <chrono>
#include <csignal>
#include <fstream>

namespace e2e
{
namespace fs = std::filesystem;

std::string PseudoConfig(const std::string& latest_plugin_version)
{
    return R"({
  "default_provider": "pseudo",
  "fallback": "pseudo",
  "latest_plugin_version": ")" +
           latest_plugin_version + R"(",
  "update_url": "http://127.0.0.1:9/lirno/download",
  "top_up_url": "http://127.0.0.1:9/lirno/account",
  "accounts": [
    { "key": "e2e-key", "user_id": 501, "allowance": 100000000 },
    { "key": "e2e-tiny", "user_id": 502, "allowance": 10 }
  ]
})";
}

void JobFixture::SetUp()
{
    fs::copy(DEMO_PROJECT_DIR, project_, fs::copy_options::recursive);
}

void JobFixture::TearDown()
{
    if (service_)
        StopService(SIGTERM);
}

void JobFixture::StartService(const std::string& config_json, const std::vector<std::string>& flags)
{
    const std::string config = (work_ / "service.json").string();
    {
        std::ofstream out(config);
        out << config_json;
    }
    const std::string port_file = (work_ / "service.port").string();
    std::vector<std::string> argv = {SERVICE_PATH, "--config",    config,   "--port",
                                     "0",          "--port-file", port_file};
    argv.insert(argv.end(), flags.begin(), flags.end());
    service_ = std::make_unique<Process>(argv, (work_ / "service.out").string());
    ASSERT_TRUE(service_->Started());
    ASSERT_TRUE(WaitFor([&] { return fs::exists(port_file); }, std::chrono::seconds(20)))
        << ReadFile((work_ / "service.out").string());
    port_ = std::stoi(ReadFile(port_file));
}

void JobFixture::StopService(int signal)
{
    service_->Kill(signal);
    service_->Wait(std::chrono::seconds(10));
    service_.reset();
}

void JobFixture::Configure(const std::string& api_key)
{
    SetSetting("Host", "http://127.0.0.1:" + std::to_string(port_));
    SetSetting("API_KEY", api_key);
}

void JobFixture::SetSetting(const std::string& key, const std::string& value)
{
    Process settings({EDITOR_PATH, "settings", project_.string(), "PallantoSetting", key, value},
                     (work_ / "settings.out").string());
    ASSERT_EQ(settings.Wait(std::chrono::seconds(60)), 0) << ReadFile((work_ / "settings.out").string());
}

std::unique_ptr<Process> JobFixture::StartJob(const std::string& answer,
                                              const std::vector<std::string>& options,
                                              const std::string& output)
{
    std::vector<std::string> argv = {EDITOR_PATH, "run", project_.string(), "lirno.PluginAction", answer,
                                     "--timeout", "240"};
    argv.insert(argv.end(), options.begin(), options.end());
    return std::make_unique<Process>(argv, (work_ / output).string());
}

JobRun JobFixture::RunJob(const std::string& answer, const std::vector<std::string>& options)
{
    const auto begin = std::chrono::steady_clock::now();
    auto job = StartJob(answer, options);
    JobRun run;
    run.exit_code = job->Wait(std::chrono::seconds(280)).value_or(-1);
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    run.output = JobOutput();
    return run;
}
} // namespace e2e
