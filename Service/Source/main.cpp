// translation-service: the reference translation service for the lirno plug-in.
#include "Server.h"
#include "ServiceConfig.h"
#include "lirnoProtocol.h"

#include <CLI/CLI.hpp>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <pthread.h>
#include <spdlog/sinks/stdout_color_sinks.h>
#include <spdlog/spdlog.h>

namespace
{
using lirno::service::ServiceConfig;

constexpr const char* ProgramName = "translation-service";

// Exit statuses scripts can tell apart: a bad command line or configuration is the user's to
// fix; a start that fails (busy port, unreadable database) is the machine's state.
constexpr int ExitUsage = 2;
constexpr int ExitStartFailed = 1;

bool WritePortFile(const std::string& path, int port)
{
    // Written beside and renamed, so a reader never sees half a number.
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::trunc);
        out << port << "\n";
        if (!out)
            return false;
    }
    std::error_code ec;
    std::filesystem::rename(temporary, path, ec);
    return !ec;
}

// A flag given on the command line wins over the configuration file.
template <class T> void Override(T& setting, const std::optional<T>& flag)
{
    if (flag)
        setting = *flag;
}

int Fail(int status, const std::string& message)
{
    std::cerr << ProgramName << ": " << message << "\n";
    return status;
}

// The database lives beside the configuration file unless told otherwise, so one configured
// service keeps its state in one place whatever folder it is started from.
std::string DefaultDatabase(const std::string& config_path)
{
    const std::filesystem::path name = "translation-service.db";
    if (config_path.empty())
        return name.string();
    return (std::filesystem::path(config_path).parent_path() / name).string();
}
} // namespace

int main(int argc, char** argv)
{
    namespace protocol = lirno::protocol;
    CLI::App app{std::string("Reference translation service for the lirno plug-in. Serves ") +
                 protocol::CheckUpdatePath + ", " + protocol::UploadPath + " and " + protocol::StatusPath +
                 ". Settings come from the configuration file (JSON, see Service/config/default.json); flags "
                 "override it."};
    app.set_version_flag("--version", std::string(ProgramName) + " " + LIRNO_VERSION);
    std::string config_path;
    std::optional<std::string> address, port_file, tls_cert, tls_key, default_provider, fallback, log_level,
        database;
    std::optional<int> port;
    std::optional<unsigned> workers;
    std::optional<double> min_task_seconds;
    std::optional<std::uint64_t> max_upload_bytes;
    app.add_option("-c,--config", config_path, "JSON configuration file (accounts, providers, limits)")
        ->check(CLI::ExistingFile);
    app.add_option("--database", database,
                   "SQLite file of accounts and tasks (default: translation-service.db beside the "
                   "configuration file, or in the current folder without one)");
    app.add_option("--address", address, "Address to listen on (default 127.0.0.1, loopback only)");
    app.add_option("-p,--port", port, "Port to listen on; 0 picks a free port (default 8480)")
        ->check(CLI::Range(0, 65535));
    app.add_option("--port-file", port_file, "Write the port actually bound to this file once listening");
    app.add_option("--tls-cert", tls_cert, "PEM certificate: serve HTTPS instead of HTTP (needs --tls-key)");
    app.add_option("--tls-key", tls_key, "PEM private key for --tls-cert");
    app.add_option("--workers", workers, "Translation worker threads (default 2)")->check(CLI::Range(1, 256));
    app.add_option("--min-task-seconds", min_task_seconds,
                   "Spread every task over at least this many seconds, to watch progress in a demo")
        ->check(CLI::Range(0.0, 86400.0));
    app.add_option(
        "--default-provider", default_provider,
        "Provider when the TranslatorType header names none in the configuration: pseudo or apertium");
    app.add_option("--fallback", fallback, "For texts the chosen provider cannot translate: pseudo or none");
    app.add_option("--max-upload-bytes", max_upload_bytes, "Largest upload accepted");
    app.add_option("--log-level", log_level, "trace, debug, info, warn, error or off (default info)")
        ->check(CLI::IsMember({"trace", "debug", "info", "warn", "error", "off"}));
    try
    {
        app.parse(argc, argv);
    }
    catch (const CLI::CallForHelp&)
    {
        std::cout << app.help();
        return 0;
    }
    catch (const CLI::CallForVersion& version)
    {
        std::cout << version.what() << "\n";
        return 0;
    }
    catch (const CLI::ParseError& e)
    {
        return Fail(ExitUsage, std::string(e.what()) + " (see --help)");
    }

    ServiceConfig config;
    if (!config_path.empty())
    {
        std::string error;
        auto loaded = lirno::service::LoadServiceConfig(config_path, error);
        if (!loaded)
            return Fail(ExitUsage, error);
        config = std::move(*loaded);
    }
    if (database)
        config.database = *database;
    else if (config.database.empty())
        config.database = DefaultDatabase(config_path);
    Override(config.address, address);
    Override(config.port, port);
    Override(config.port_file, port_file);
    Override(config.tls_cert, tls_cert);
    Override(config.tls_key, tls_key);
    Override(config.workers, workers);
    Override(config.min_task_seconds, min_task_seconds);
    Override(config.default_provider, default_provider);
    Override(config.fallback, fallback);
    Override(config.max_upload_bytes, max_upload_bytes);
    if (std::string error; !lirno::service::ValidateServiceConfig(config, error))
        return Fail(ExitUsage, error);
    if (config.tls_cert.empty() != config.tls_key.empty())
        return Fail(ExitUsage, "TLS needs both a certificate and a key");
    // Logs go to standard error; standard output carries only the address line scripts read.
    spdlog::set_default_logger(spdlog::stderr_color_mt("service"));
    spdlog::set_level(spdlog::level::from_str(log_level.value_or("info")));

    // Every thread started from here on inherits the blocked signals; this one waits for them.
    sigset_t stop_signals;
    sigemptyset(&stop_signals);
    sigaddset(&stop_signals, SIGINT);
    sigaddset(&stop_signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    const std::string port_file_path = config.port_file;
    lirno::service::TranslationService service(std::move(config));
    std::string error;
    if (!service.Start(error))
        return Fail(ExitStartFailed, error);
    std::cout << "listening on " << service.BaseAddress() << std::endl;
    if (!port_file_path.empty() && !WritePortFile(port_file_path, service.Port()))
        spdlog::error("cannot write the port file {}", port_file_path);

    int received = 0;
    sigwait(&stop_signals, &received);
    spdlog::info("stopping on signal {}", received);
    service.Stop();
    return 0;
}
