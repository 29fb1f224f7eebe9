#include "ServiceConfig.h"

#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

namespace lirno::service
{
namespace
{
using nlohmann::json;

// Throws json::exception with a readable message; caught once in ParseServiceConfig.
void CheckKeys(const json& object, const std::set<std::string>& allowed, const std::string& where)
{
    if (!object.is_object())
        throw std::runtime_error(where + " must be an object");
    for (auto it = object.begin(); it != object.end(); ++it)
    {
        if (!allowed.contains(it.key()))
            throw std::runtime_error("unknown key \"" + it.key() + "\" in " + where);
    }
}

template <typename T> void Read(const json& object, const char* key, T& out)
{
    if (const auto it = object.find(key); it != object.end())
        out = it->get<T>();
}

void ReadApertium(const json& j, ApertiumConfig& a)
{
    CheckKeys(j, {"command", "timeout_seconds", "batch_characters", "modes"}, "apertium");
    Read(j, "command", a.command);
    Read(j, "timeout_seconds", a.timeout_seconds);
    Read(j, "batch_characters", a.batch_characters);
    if (const auto it = j.find("modes"); it != j.end())
        a.modes = it->get<std::map<std::string, std::string>>();
}

void ReadAccounts(const json& j, std::vector<AccountConfig>& accounts)
{
    if (!j.is_array())
        throw std::runtime_error("accounts must be an array");
    accounts.clear();
    for (const json& entry : j)
    {
        CheckKeys(entry, {"key", "user_id", "allowance", "top_up_url"}, "an account");
        AccountConfig account;
        account.key = entry.at("key").get<std::string>();
        Read(entry, "user_id", account.user_id);
        Read(entry, "allowance", account.allowance);
        Read(entry, "top_up_url", account.top_up_url);
        accounts.push_back(std::move(account));
    }
}

void ReadConfig(const json& j, ServiceConfig& c)
{
    CheckKeys(j,
              {"address",
               "port",
               "port_file",
               "tls_cert",
               "tls_key",
               "database",
               "http_threads",
               "client_timeout_seconds",
               "min_body_bytes_per_second",
               "upload_memory_bytes",
               "max_upload_bytes",
               "max_unpacked_bytes",
               "max_request_bytes",
               "workers",
               "max_active_tasks",
               "result_ttl_seconds",
               "min_task_seconds",
               "latest_plugin_version",
               "update_url",
               "default_provider",
               "translator_types",
               "fallback",
               "pseudo_cultures",
               "apertium",
               "accounts",
               "top_up_url",
               "comment"},
              "the configuration");
    Read(j, "address", c.address);
    Read(j, "port", c.port);
    Read(j, "port_file", c.port_file);
    Read(j, "tls_cert", c.tls_cert);
    Read(j, "tls_key", c.tls_key);
    Read(j, "database", c.database);
    Read(j, "http_threads", c.http_threads);
    Read(j, "client_timeout_seconds", c.client_timeout_seconds);
    Read(j, "min_body_bytes_per_second", c.min_body_bytes_per_second);
    Read(j, "upload_memory_bytes", c.upload_memory_bytes);
    Read(j, "max_upload_bytes", c.max_upload_bytes);
    Read(j, "max_unpacked_bytes", c.max_unpacked_bytes);
    Read(j, "max_request_bytes", c.max_request_bytes);
    Read(j, "workers", c.workers);
    Read(j, "max_active_tasks", c.max_active_tasks);
    Read(j, "result_ttl_seconds", c.result_ttl_seconds);
    Read(j, "min_task_seconds", c.min_task_seconds);
    Read(j, "latest_plugin_version", c.latest_plugin_version);
    Read(j, "update_url", c.update_url);
    Read(j, "default_provider", c.default_provider);
    Read(j, "fallback", c.fallback);
    Read(j, "pseudo_cultures", c.pseudo_cultures);
    Read(j, "top_up_url", c.top_up_url);
    if (const auto it = j.find("translator_types"); it != j.end())
    {
        for (const auto& [type, provider] : it->get<std::map<std::string, std::string>>())
            c.translator_types[std::stoi(type)] = provider;
    }
    if (const auto it = j.find("apertium"); it != j.end())
        ReadApertium(*it, c.apertium);
    if (const auto it = j.find("accounts"); it != j.end())
        ReadAccounts(*it, c.accounts);
}
} // namespace

std::optional<ServiceConfig> ParseServiceConfig(const std::string& text, std::string& error)
{
    const json parsed = json::parse(text, nullptr, false, true);
    if (parsed.is_discarded())
    {
        error = "the configuration is not valid JSON";
        return std::nullopt;
    }
    ServiceConfig config;
    try
    {
        ReadConfig(parsed, config);
    }
    catch (const std::exception& e)
    {
        error = e.what();
        return std::nullopt;
    }
    if (!ValidateServiceConfig(config, error))
        return std::nullopt;
    return config;
}

bool ValidateServiceConfig(const ServiceConfig& config, std::string& error)
{
    const auto known = [](const std::string& name) { return name == "pseudo" || name == "apertium"; };
    if (!known(config.default_provider))
        error =
            "default_provider must be \"pseudo\" or \"apertium\", not \"" + config.default_provider + "\"";
    for (const auto& [type, name] : config.translator_types)
    {
        if (error.empty() && !known(name))
            error = "translator_types names an unknown provider \"" + name + "\"";
    }
    if (error.empty() && config.fallback != "pseudo" && config.fallback != "none")
        error = "fallback must be \"pseudo\" or \"none\"";
    // The zip format this service reads has no 64-bit extension.
    if (error.empty() && config.max_upload_bytes > 0xFFFFFFFFull)
        error = "max_upload_bytes must be below 4 GiB";
    const auto check = [&error](bool good, const char* message)
    {
        if (error.empty() && !good)
            error = message;
    };
    check(!config.address.empty(), "address must not be empty");
    check(config.port >= 0 && config.port <= 65535, "port must be between 0 and 65535");
    check(config.workers >= 1 && config.workers <= 256, "workers must be between 1 and 256");
    check(config.max_active_tasks >= 1, "max_active_tasks must be at least 1");
    check(config.http_threads >= 1 && config.http_threads <= 1024, "http_threads must be between 1 and 1024");
    check(config.client_timeout_seconds >= 1, "client_timeout_seconds must be at least 1");
    check(config.upload_memory_bytes >= config.max_upload_bytes,
          "upload_memory_bytes must hold at least one upload of max_upload_bytes");
    check(config.result_ttl_seconds >= 0, "result_ttl_seconds must not be negative");
    check(config.min_task_seconds >= 0.0, "min_task_seconds must not be negative");
    check(config.apertium.timeout_seconds > 0.0, "apertium timeout_seconds must be positive");
    return error.empty();
}

std::optional<ServiceConfig> LoadServiceConfig(const std::string& path, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
    {
        error = "cannot read " + path;
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    auto config = ParseServiceConfig(text.str(), error);
    if (!config)
        error = path + ": " + error;
    return config;
}
} // namespace lirno::service
