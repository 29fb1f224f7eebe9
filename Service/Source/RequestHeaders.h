// The request headers the service acts on, read and checked once per request.
#pragma once

#include "LocalizationWork.h"

#include <httplib.h>
#include <optional>
#include <string>

namespace lirno::service
{
struct UploadHeaders
{
    std::string api_key;
    std::string job_number; // decimal, completes the upload password
    bool translate_all = false;
    int translator_type = 0;
    NativeCultures natives;
};

// Fails with a message naming the missing or malformed header.
std::optional<UploadHeaders> ReadUploadHeaders(const httplib::Request& request, std::string& error);
// Empty when the header is absent or blank: to the user both mean that no key is set.
std::string ReadApiKey(const httplib::Request& request);
std::optional<std::string> ReadVersion(const httplib::Request& request, std::string& error);
} // namespace lirno::service
