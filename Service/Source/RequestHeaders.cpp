#include "RequestHeaders.h"

#include "lirnoProtocol.h"

#include <Util/AsciiCase.h>
#include <Util/Base64.h>
#include <charconv>

namespace lirno::service
{
namespace
{
std::optional<std::string> Required(const httplib::Request& request, const char* name, std::string& error)
{
    if (!request.has_header(name))
    {
        error = std::string("The request lacks the \"") + name + "\" header.";
        return std::nullopt;
    }
    return request.get_header_value(name);
}

bool IsDecimal(std::string_view text, std::size_t max_digits)
{
    if (text.empty() || text.size() > max_digits)
        return false;
    for (const char c : text)
    {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}
} // namespace

std::string ReadApiKey(const httplib::Request& request)
{
    // A blank value may reach us as no header at all, depending on the client library.
    std::string key = request.get_header_value(protocol::Header::Authorization);
    const auto first = key.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return key.substr(first, key.find_last_not_of(" \t") - first + 1);
}

std::optional<std::string> ReadVersion(const httplib::Request& request, std::string& error)
{
    return Required(request, protocol::Header::Version, error);
}

std::optional<UploadHeaders> ReadUploadHeaders(const httplib::Request& request, std::string& error)
{
    UploadHeaders headers;
    const auto rnd = Required(request, protocol::Header::Rnd, error);
    const auto all = rnd ? Required(request, protocol::Header::TranslateAll, error) : std::nullopt;
    const auto type = all ? Required(request, protocol::Header::TranslatorType, error) : std::nullopt;
    const auto native = type ? Required(request, protocol::Header::NativeLang, error) : std::nullopt;
    if (!native)
        return std::nullopt;
    headers.api_key = ReadApiKey(request);
    // The job number is at most 32767 on the plug-in's side; ten digits still fit 32 bits of text.
    if (!IsDecimal(*rnd, 10))
    {
        error = "The \"Rnd\" header must be the job number in decimal.";
        return std::nullopt;
    }
    headers.job_number = *rnd;
    if (util::EqualsIgnoreCase(*all, "true"))
        headers.translate_all = true;
    else if (!util::EqualsIgnoreCase(*all, "false"))
    {
        error = "The \"TranslateAll\" header must be true or false.";
        return std::nullopt;
    }
    if (!IsDecimal(*type, 3))
    {
        error = "The \"TranslatorType\" header must be a number.";
        return std::nullopt;
    }
    std::from_chars(type->data(), type->data() + type->size(), headers.translator_type);
    const auto decoded = util::Base64Decode(*native);
    if (!decoded)
    {
        error = "The \"NativeLang\" header is not base64.";
        return std::nullopt;
    }
    auto natives = ParseNativeCultures(*decoded, error);
    if (!natives)
        return std::nullopt;
    headers.natives = std::move(*natives);
    return headers;
}
} // namespace lirno::service
