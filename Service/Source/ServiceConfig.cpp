#include "ServiceConfig.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <limits>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <type_traits>

namespace lirno::service
{
namespace
{
using nlohmann::json;

// A whole-number member takes a number that is whole and fits it: a cast from a number out of
// its range is undefined, and a fraction or a negative size would be silently changed.
template <typename T> bool FitsWhole(const json& value)
{
    if (value.is_number_unsigned())
        return value.get<std::uint64_t>() <= static_cast<std::uint64_t>(std::numeric_limits<T>::max());
    if (value.is_number_integer())
    {
        const std::int64_t number = value.get<std::int64_t>();
        return number >= 0 ? static_cast<std::uint64_t>(number) <= static_cast<std::uint64_t>(std::numeric_limits<T>::max())
                           : std::is_signed_v<T> && number >= static_cast<std::int64_t>(std::numeric_limits<T>::min());
    }
    const double number = value.get<double>();
    return std::trunc(number) == number && number >= static_cast<double>(std::numeric_limits<T>::min()) &&
           number < static_cast<double>(std::numeric_limits<T>::max());
}

// What the file may hold for a member of type T.
template <typename T> bool Holds(const json& value)
{
    const auto strings = [](const auto& items)
    { return std::all_of(items.begin(), items.end(), [](const json& item) { return item.is_string(); }); };
    if constexpr (std::is_same_v<T, std::string>)
        return value.is_string();
    else if constexpr (std::is_integral_v<T>)
        return value.is_number() && FitsWhole<T>(value);
    else if constexpr (std::is_arithmetic_v<T>)
        return value.is_number();
    else if constexpr (std::is_same_v<T, std::vector<std::string>>)
        return value.is_array() && strings(value);
    else
        return value.is_object() && strings(value); // a map from names to strings
}

template <typename T> const char* KindOf()
{
    if constexpr (std::is_same_v<T, std::string>)
        return "a string";
    else if constexpr (std::is_arithmetic_v<T>)
        return "a number";
    else if constexpr (std::is_same_v<T, std::vector<std::string>>)
        return "an array of strings";
    else
        return "an object of strings";
}

// Reads the members of one object of the file over what `out` holds. The first fault (an unknown
// key, a member of the wrong type) stops the reading and is written to `error`.
class MemberReader
{
public:
    MemberReader(const json& object, std::string where, std::string& error)
        : object_(object), where_(std::move(where)), error_(error)
    {
    }

    // Unknown keys are an error, so a typo does not silently leave a default in place.
    MemberReader& AllowOnly(const std::set<std::string>& allowed)
    {
        if (!object_.is_object())
            return Fail(where_ + " must be an object");
        for (auto it = object_.begin(); it != object_.end() && ok_; ++it)
        {
            if (!allowed.contains(it.key()))
                Fail("unknown key \"" + it.key() + "\" in " + where_);
        }
        return *this;
    }

    template <typename T> MemberReader& Read(const char* key, T& out)
    {
        if (!ok_)
            return *this;
        const auto it = object_.find(key);
        if (it == object_.end())
            return *this;
        if (!Holds<T>(*it))
            return Fail("\"" + std::string(key) + "\" in " + where_ + " must be " + KindOf<T>());
        out = it->template get<T>();
        return *this;
    }

    MemberReader& Require(const char* key)
    {
        if (ok_ && !object_.contains(key))
            Fail(where_ + " must have \"" + key + "\"");
        return *this;
    }

    bool Ok() const { return ok_; }

private:
    MemberReader& Fail(std::string why)
    {
        error_ = std::move(why);
        ok_ = false;
        return *this;
    }

    const json& object_;
    std::string where_;
    std::string& error_;
    bool ok_ = true;
};

bool ReadApertium(const json& j, ApertiumConfig& a, std::string& error)
{
    return MemberReader(j, "apertium", error)
        .AllowOnly({"command", "timeout_seconds", "batch_characters", "modes"})
        .Read("command", a.command)
        .Read("timeout_seconds", a.timeout_seconds)
        .Read("batch_characters", a.batch_characters)
        .Read("modes", a.modes)
        .Ok();
}

bool ReadAccounts(const json& j, std::vector<AccountConfig>& accounts, std::string& error)
{
    if (!j.is_array())
    {
        error = "accounts must be an array";
        return false;
    }
    accounts.clear();
    for (const json& entry : j)
    {
        AccountConfig account;
        if (!MemberReader(entry, "an account", error)
                 .AllowOnly({"key", "user_id", "allowance", "top_up_url"})
                 .Require("key")
                 .Read("key", account.key)
                 .Read("user_id", account.user_id)
                 .Read("allowance", account.allowance)
                 .Read("top_up_url", account.top_up_url)
                 .Ok())
            return false;
        accounts.push_back(std::move(account));
    }
    return true;
}

// TranslatorType header values are numbers, written as the object's keys.
bool ReadTranslatorTypes(const std::map<std::string, std::string>& named, std::map<int, std::string>& types,
                         std::string& error)
{
    for (const auto& [type, provider] : named)
    {
        int number = 0;
        const char* end = type.data() + type.size();
        const auto [stop, fault] = std::from_chars(type.data(), end, number);
        if (fault != std::errc() || stop != end)
        {
            error = "translator_types key \"" + type + "\" is not a whole number";
            return false;
        }
        types[number] = provider;
    }
    return true;
}

bool ReadConfig(const json& j, ServiceConfig& c, std::string& error)
{
    std::map<std::string, std::string> translator_types;
    const bool read = MemberReader(j, "the configuration", error)
                          .AllowOnly({"address",
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
                                      "comment"})
                          .Read("address", c.address)
                          .Read("port", c.port)
                          .Read("port_file", c.port_file)
                          .Read("tls_cert", c.tls_cert)
                          .Read("tls_key", c.tls_key)
                          .Read("database", c.database)
                          .Read("http_threads", c.http_threads)
                          .Read("client_timeout_seconds", c.client_timeout_seconds)
                          .Read("min_body_bytes_per_second", c.min_body_bytes_per_second)
                          .Read("upload_memory_bytes", c.upload_memory_bytes)
                          .Read("max_upload_bytes", c.max_upload_bytes)
                          .Read("max_unpacked_bytes", c.max_unpacked_bytes)
                          .Read("max_request_bytes", c.max_request_bytes)
                          .Read("workers", c.workers)
                          .Read("max_active_tasks", c.max_active_tasks)
                          .Read("result_ttl_seconds", c.result_ttl_seconds)
                          .Read("min_task_seconds", c.min_task_seconds)
                          .Read("latest_plugin_version", c.latest_plugin_version)
                          .Read("update_url", c.update_url)
                          .Read("default_provider", c.default_provider)
                          .Read("fallback", c.fallback)
                          .Read("pseudo_cultures", c.pseudo_cultures)
                          .Read("top_up_url", c.top_up_url)
                          .Read("translator_types", translator_types)
                          .Ok();
    if (!read || !ReadTranslatorTypes(translator_types, c.translator_types, error))
        return false;
    if (const auto it = j.find("apertium"); it != j.end() && !ReadApertium(*it, c.apertium, error))
        return false;
    if (const auto it = j.find("accounts"); it != j.end() && !ReadAccounts(*it, c.accounts, error))
        return false;
    return true;
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
    if (!ReadConfig(parsed, config, error) || !ValidateServiceConfig(config, error))
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
