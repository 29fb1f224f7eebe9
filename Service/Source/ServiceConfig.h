// Everything the service can be told: read from a JSON file, then overridden by flags.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace lirno::service
{
struct AccountConfig
{
    std::string key;
    std::int32_t user_id = 0;
    std::int64_t allowance = 0; // characters left to translate
    std::string top_up_url;     // offered when the allowance runs short; empty uses the service's
};

struct ApertiumConfig
{
    std::string command = "apertium";
    double timeout_seconds = 120.0;
    std::size_t batch_characters = 20000; // texts per child process, so one slow batch times out alone
    // Culture language (before "-" or "_") of source and target, "en>es", to an installed mode.
    std::map<std::string, std::string> modes = {{"en>es", "eng-spa"}, {"en>ca", "eng-cat"}};
};

struct ServiceConfig
{
    std::string address = "127.0.0.1";
    int port = 8480; // 0 picks a free port
    std::string port_file;
    std::string tls_cert;
    std::string tls_key;
    // SQLite file of accounts and tasks; main() puts it beside the configuration file.
    std::string database;

    std::uint64_t max_upload_bytes = 256ull << 20;
    std::uint64_t max_unpacked_bytes = 1ull << 30; // guards against archives that inflate without end
    std::uint64_t max_request_bytes = 1ull << 20;  // status and check-update bodies
    unsigned workers = 2;
    unsigned max_active_tasks = 64;
    // Connections served at once. A polling plug-in keeps its connection (and so a thread) between
    // polls, so this is sized for bursts of clients, not for cores.
    unsigned http_threads = 64;
    // A client that sends or takes nothing for this long is cut off, so a slow one cannot hold a
    // connection thread for long.
    int client_timeout_seconds = 10;
    // Past the time-out, a request body must have come at least this fast on average.
    std::uint64_t min_body_bytes_per_second = 16 << 10;
    // Upload bodies held in memory at once, across all requests; past it new uploads are busy.
    std::uint64_t upload_memory_bytes = 1ull << 30;
    int result_ttl_seconds = 900;
    // Stretches every task over at least this long, so a demo or a test can watch it progress.
    double min_task_seconds = 0.0;

    std::string latest_plugin_version = LIRNO_VERSION; // the plug-in built with this service
    std::string update_url = "http://127.0.0.1/lirno/download";

    std::string default_provider = "apertium";
    std::map<int, std::string> translator_types; // TranslatorType header value to provider name
    // For texts the chosen provider cannot translate: "none" leaves them untranslated, "pseudo"
    // writes pseudo-localization into real cultures, which only a configuration asks for.
    std::string fallback = "none";
    // Cultures that always get pseudo-localization: a name here, or one that starts with it and
    // "-" or "_" ("qps" covers "qps-ploc").
    std::vector<std::string> pseudo_cultures = {"qps"};
    ApertiumConfig apertium;

    std::vector<AccountConfig> accounts;
    std::string top_up_url = "http://127.0.0.1/lirno/account";
};

// Reads a configuration file over the defaults. Unknown keys are an error, so a typo does not
// silently leave a default in place.
// Checks the values the file and the flags can get wrong: provider names, the fallback, limits.
bool ValidateServiceConfig(const ServiceConfig& config, std::string& error);

std::optional<ServiceConfig> LoadServiceConfig(const std::string& path, std::string& error);
std::optional<ServiceConfig> ParseServiceConfig(const std::string& text, std::string& error);
} // namespace lirno::service
