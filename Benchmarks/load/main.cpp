// load-benchmark: N plug-in clients at once against one reference service on loopback, each
// uploading a generated localization set and polling until its package comes back, as the
// plug-in does. Prints throughput, latency percentiles and the service's peak memory; fails when
// a job fails or the memory passes the bound its configured limits allow.
#include "LoadSet.h"
#include "LoadStats.h"
#include "lirnoProtocol.h"

#include <CLI/CLI.hpp>
#include <Util/ChildProcess.h>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <httplib.h>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace
{
namespace fs = std::filesystem;
using namespace loadbench;
using Clock = std::chrono::steady_clock;
using nlohmann::json;
using lirno::protocol::StatusPath;
using lirno::protocol::UploadPath;
namespace Field = lirno::protocol::Field;
namespace Status = lirno::protocol::Status;

constexpr const char* ApiKey = "load-key";
constexpr const char* JobNumber = "4242";

struct Options
{
    int clients = 20;
    double set_mb = 5.0;
    unsigned workers = 2;
    unsigned max_active_tasks = 8;
    unsigned uploads_in_memory = 4; // the upload budget, in uploads of this set
    int poll_ms = 1000;
    int time_limit_s = 600;
    double base_mib = 160.0;  // the service with nothing to do, plus its threads' stacks
    double set_factor = 10.0; // memory one upload or one running task may take, in set sizes
    std::string service = SERVICE_PATH;
    bool keep = false;
};

struct Totals
{
    std::atomic<int> done{0};
    std::atomic<int> failed{0};
    std::atomic<int> busy{0};
    std::mutex mutex;
    std::vector<std::string> failures;
    LatencySamples job, upload, status;

    void Fail(const std::string& why)
    {
        ++failed;
        std::lock_guard lock(mutex);
        if (failures.size() < 10)
            failures.push_back(why);
    }
};

double Ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A line of /proc/PID/status in KiB ("VmRSS", "VmHWM"); 0 when the process is gone.
long ProcStatusKib(pid_t pid, const std::string& field)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(in, line);)
    {
        if (line.rfind(field + ":", 0) == 0)
            return std::strtol(line.c_str() + field.size() + 1, nullptr, 10);
    }
    return 0;
}

httplib::Headers Headers(const LoadSet& set)
{
    return {{"User-Agent", "zq lirno"},  {"Authorization", ApiKey}, {"TranslateAll", "false"},
            {"NativeLang", set.natives}, {"Version", LIRNO_VERSION},        {"Rnd", JobNumber},
            {"TranslatorType", "0"},     {"ProjectID", "LOAD"},     {"ENGINE_MAJOR_VERSION", "5"}};
}

// One plug-in job: upload (again after a pause while the service is busy), then poll.
void RunClient(int port, const LoadSet& set, const Options& options, Clock::time_point deadline,
               Totals& totals)
{
    httplib::Client client("127.0.0.1", port);
    client.set_read_timeout(120, 0);
    client.set_write_timeout(120, 0);
    const auto headers = Headers(set);
    const auto started = Clock::now();
    json record;
    while (true)
    {
        if (Clock::now() > deadline)
            return totals.Fail("time limit reached before the upload was accepted");
        const auto sent = Clock::now();
        const auto answer =
            client.Post(UploadPath, headers, set.upload, "application/octet-stream");
        if (!answer || answer->status != 200)
            return totals.Fail("upload: " + (answer ? "HTTP " + std::to_string(answer->status)
                                                    : httplib::to_string(answer.error())));
        totals.upload.Add(Ms(Clock::now() - sent));
        const json envelope = json::parse(answer->body, nullptr, false);
        const int status = envelope.is_object() ? envelope.value(Field::Status, -1) : -1;
        if (status == Status::Working)
        {
            record = envelope[Field::Content];
            break;
        }
        const std::string message = envelope.is_object() ? envelope.value(Field::Msg, "") : answer->body;
        if (status != Status::Refused || message.find("busy") == std::string::npos)
            return totals.Fail("upload refused: " + message);
        ++totals.busy;
        std::this_thread::sleep_for(std::chrono::seconds(1));
    }
    record.erase(Field::FileB64);
    const std::string poll = record.dump();
    while (true)
    {
        if (Clock::now() > deadline)
            return totals.Fail("time limit reached while polling");
        std::this_thread::sleep_for(std::chrono::milliseconds(options.poll_ms));
        const auto sent = Clock::now();
        const auto answer = client.Post(StatusPath, headers, poll, "application/json");
        if (!answer || answer->status != 200)
            return totals.Fail("status: " + (answer ? "HTTP " + std::to_string(answer->status)
                                                    : httplib::to_string(answer.error())));
        totals.status.Add(Ms(Clock::now() - sent));
        const json envelope = json::parse(answer->body, nullptr, false);
        if (!envelope.is_object() || envelope.value(Field::Status, -1) != Status::Working)
            return totals.Fail("status refused: " +
                               (envelope.is_object() ? envelope.value(Field::Msg, "") : answer->body));
        const json& content = envelope[Field::Content];
        if (content.value(Field::CompletionProgress, 0.0) < 100.0)
            continue;
        if (content.value(Field::FileB64, "").empty())
            return totals.Fail("finished without a package: " + content.value(Field::ResultMsg, ""));
        totals.job.Add(Ms(Clock::now() - started));
        ++totals.done;
        return;
    }
}

pid_t StartService(const Options& options, const fs::path& work, const LoadSet& set)
{
    json config = {{"default_provider", "pseudo"},
                   {"fallback", "pseudo"},
                   {"workers", options.workers},
                   {"max_active_tasks", options.max_active_tasks},
                   {"max_upload_bytes", set.upload.size() + 1024},
                   {"upload_memory_bytes", options.uploads_in_memory * (set.upload.size() + 1024)},
                   {"accounts", json::array({{{"key", ApiKey}, {"user_id", 1}, {"allowance", 1LL << 50}}})}};
    std::ofstream(work / "service.json") << config.dump(2);
    const std::vector<std::string> argv = {options.service,
                                           "--config",
                                           (work / "service.json").string(),
                                           "--database",
                                           (work / "service.db").string(),
                                           "--port",
                                           "0",
                                           "--port-file",
                                           (work / "service.port").string(),
                                           "--log-level",
                                           "warn"};
    const auto child = util::Spawn(argv, util::SpawnOptions::LoggingTo((work / "service.log").string()));
    return child ? child->pid : -1;
}
} // namespace

int main(int argc, char** argv)
{
    Options options;
    CLI::App app{"Runs N plug-in clients at once against one translation service on loopback: each "
                 "uploads a generated localization set and polls until its package is back. Fails when "
                 "a job fails or the service's peak memory passes the bound of its configured limits."};
    app.add_option("-n,--clients", options.clients, "Clients, one job each (default 20)")
        ->check(CLI::Range(1, 500));
    app.add_option("--set-mb", options.set_mb, "Size of each localization set in MB (default 5)")
        ->check(CLI::Range(0.01, 200.0));
    app.add_option("--workers", options.workers, "Service translation threads (default 2)")
        ->check(CLI::Range(1, 64));
    app.add_option("--max-active-tasks", options.max_active_tasks,
                   "Service limit of queued and running tasks; more uploads are answered busy (default 8)")
        ->check(CLI::Range(1, 1000));
    app.add_option("--uploads-in-memory", options.uploads_in_memory,
                   "Service upload budget, in uploads of this set (default 4)")
        ->check(CLI::Range(1, 1000));
    app.add_option("--poll-ms", options.poll_ms, "Pause between status polls (default 1000, the plug-in's)")
        ->check(CLI::Range(10, 10000));
    app.add_option("--time-limit", options.time_limit_s,
                   "Seconds before unfinished jobs count as failed (default 600)")
        ->check(CLI::Range(1, 7200));
    app.add_option("--base-mib", options.base_mib, "Memory bound: the idle service (default 160 MiB)");
    app.add_option("--set-factor", options.set_factor,
                   "Memory bound: per upload held or task running, in set sizes (default 10)");
    app.add_option("--service", options.service, "translation-service program to start");
    app.add_flag("--keep", options.keep, "Keep the work folder (configuration, database, service log)");
    CLI11_PARSE(app, argc, argv);
    std::signal(SIGPIPE, SIG_IGN);

    std::string pattern = (fs::temp_directory_path() / "lirno-load-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
    {
        std::perror("load-benchmark: temporary folder");
        return 1;
    }
    const fs::path work = pattern;
    std::string error;
    const LoadSet set = MakeLoadSet(static_cast<std::size_t>(options.set_mb * 1e6), JobNumber, error);
    if (set.upload.empty())
    {
        std::fprintf(stderr, "load-benchmark: %s\n", error.c_str());
        return 1;
    }
    const pid_t service = StartService(options, work, set);
    const auto port_file = work / "service.port";
    for (int i = 0; i < 300 && service > 0 && !fs::exists(port_file); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (service <= 0 || !fs::exists(port_file))
    {
        std::fprintf(stderr, "load-benchmark: the service did not start: %s\n",
                     ReadFile(work / "service.log").c_str());
        if (service > 0)
            util::Kill(service, SIGKILL);
        return 1;
    }
    const int port = std::stoi(ReadFile(port_file));

    std::atomic<bool> running{true};
    std::atomic<long> peak_kib{ProcStatusKib(service, "VmRSS")};
    std::thread monitor(
        [&]
        {
            while (running)
            {
                peak_kib = std::max(peak_kib.load(), ProcStatusKib(service, "VmRSS"));
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        });
    const long idle_kib = ProcStatusKib(service, "VmRSS");

    std::printf("load: %d clients, set %.2f MB (%zu texts to translate, upload %.2f MB), service workers %u, "
                "max_active_tasks %u, upload budget %u uploads, poll every %d ms\n",
                options.clients, static_cast<double>(set.set_bytes) / 1e6, set.texts,
                static_cast<double>(set.upload.size()) / 1e6, options.workers, options.max_active_tasks,
                options.uploads_in_memory, options.poll_ms);
    std::fflush(stdout);
    Totals totals;
    const auto started = Clock::now();
    const auto deadline = started + std::chrono::seconds(options.time_limit_s);
    std::vector<std::thread> clients;
    for (int i = 0; i < options.clients; ++i)
        clients.emplace_back([&] { RunClient(port, set, options, deadline, totals); });
    for (std::thread& client : clients)
        client.join();
    const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
    peak_kib = std::max(peak_kib.load(), ProcStatusKib(service, "VmHWM"));
    running = false;
    monitor.join();
    util::Kill(service, SIGTERM);
    const util::ChildStatus stopped = util::Wait(service);

    const double peak_mib = static_cast<double>(peak_kib.load()) / 1024.0;
    const double set_mib = static_cast<double>(set.set_bytes) / (1024.0 * 1024.0);
    const double bound_mib =
        options.base_mib + (options.workers + options.uploads_in_memory) * options.set_factor * set_mib;
    std::printf("jobs: %d done, %d failed, %d busy answers (retried after 1 s)\n", totals.done.load(),
                totals.failed.load(), totals.busy.load());
    std::printf("time: %.1f s; throughput %.2f jobs/s, %.2f MB/s of localization data\n", seconds,
                totals.done / seconds, totals.done * static_cast<double>(set.set_bytes) / 1e6 / seconds);
    std::printf("job latency (upload to package): %s\n", totals.job.Summary().c_str());
    std::printf("upload answer latency: %s\n", totals.upload.Summary().c_str());
    std::printf("status answer latency: %s\n", totals.status.Summary().c_str());
    std::printf("service memory: idle %.0f MiB, peak %.0f MiB; bound %.0f MiB = %.0f + (%u workers + %u "
                "uploads) x %.0f x %.1f MiB set\n",
                static_cast<double>(idle_kib) / 1024.0, peak_mib, bound_mib, options.base_mib,
                options.workers, options.uploads_in_memory, options.set_factor, set_mib);
    for (const std::string& failure : totals.failures)
        std::printf("failure: %s\n", failure.c_str());
    const bool service_ok = stopped.exit_code == 0;
    if (!service_ok)
        std::printf("failure: the service did not stop cleanly (status %d); log in %s\n",
                    stopped.ShellCode().value_or(-1),
                    (work / "service.log").c_str());
    const bool ok =
        totals.failed == 0 && totals.done == options.clients && peak_mib <= bound_mib && service_ok;
    if (peak_mib > bound_mib)
        std::printf("failure: peak memory above the bound\n");
    if (options.keep || !ok)
        std::printf("work folder: %s\n", work.c_str());
    else
        fs::remove_all(work);
    std::printf("%s\n", ok ? "load: passed" : "load: FAILED");
    return ok ? 0 : 1;
}
