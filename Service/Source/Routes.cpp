#include "Routes.h"

#include "RequestHeaders.h"
#include "UploadPackage.h"
#include "VersionCompare.h"
#include "lirnoProtocol.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <spdlog/spdlog.h>

namespace lirno::service
{
namespace
{
constexpr const char* JsonType = "application/json; charset=UTF-8";
constexpr const char* BusyMessage = "The translation service is busy; try again in a few minutes.";

void Answer(httplib::Response& response, const Envelope& envelope)
{
    response.status = 200;
    response.set_content(EnvelopeToText(envelope), JsonType);
}

void Refuse(httplib::Response& response, const std::string& message)
{
    Envelope envelope;
    envelope.Status = protocol::Status::Refused;
    envelope.Msg = message;
    Answer(response, envelope);
}

std::int32_t ClampToInt32(std::int64_t value)
{
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(value, 0, std::numeric_limits<std::int32_t>::max()));
}

long long Milliseconds(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(d).count();
}

enum class BodyRead
{
    Complete,
    TooLarge,
    TooSlow,
};

// Reads the body up to `cap` bytes; a longer body is drained and reported, so the client
// gets an answer instead of a broken connection. A body that trickles in (slower on average
// than the configured rate once the client time-out has passed) is cut off: the time-out alone
// lets a client that sends a byte now and then hold a connection thread for ever.
BodyRead ReadBody(const ServiceConfig& config, const httplib::ContentReader& reader, std::uint64_t cap,
                  std::string& body, std::uint64_t& size)
{
    size = 0;
    const auto started = std::chrono::steady_clock::now();
    const double grace = config.client_timeout_seconds;
    bool too_slow = false;
    reader(
        [&](const char* data, std::size_t length)
        {
            size += length;
            if (size <= cap)
                body.append(data, length);
            const double seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
            too_slow = seconds > grace &&
                       static_cast<double>(size) < seconds * static_cast<double>(config.min_body_bytes_per_second);
            return !too_slow;
        });
    if (too_slow || size > cap)
    {
        body.clear();
        body.shrink_to_fit();
        return too_slow ? BodyRead::TooSlow : BodyRead::TooLarge;
    }
    return BodyRead::Complete;
}

void CheckUpdate(const ServiceParts& parts, const httplib::Request& request, httplib::Response& response)
{
    std::string error;
    const auto version = ReadVersion(request, error);
    if (!version)
    {
        Refuse(response, error);
        return;
    }
    Envelope envelope;
    if (CompareVersions(parts.config.latest_plugin_version, *version) > 0)
    {
        envelope.Status = protocol::Status::UpdateOffer;
        envelope.Msg = "Version " + parts.config.latest_plugin_version +
                       " of the lirno plug-in is available (you have " + *version +
                       "). Open the download page?";
        envelope.Content.result_errormsg = parts.config.update_url;
    }
    else
    {
        envelope.Status = protocol::Status::Working;
        envelope.Msg = "The plug-in is up to date.";
    }
    Answer(response, envelope);
}

std::string AccountMessage(const std::string& key)
{
    if (key.empty())
        return "No API key is set. Enter your key as API_KEY in the project settings (Plugins > "
               "PallantoSetting).";
    return "This API key is not known to the translation service. Check API_KEY in the project settings "
           "(Plugins > PallantoSetting).";
}

void Upload(const ServiceParts& parts, const httplib::Request& request, httplib::Response& response,
            const httplib::ContentReader& reader)
{
    // The declared size is taken from the budget before a byte is held; a body without one
    // (chunked) may be as large as any upload.
    const std::uint64_t max_upload = parts.config.max_upload_bytes;
    const std::uint64_t declared =
        request.has_header("Content-Length")
            ? std::min<std::uint64_t>(request.get_header_value<std::uint64_t>("Content-Length"), max_upload + 1)
            : max_upload;
    std::string body;
    std::uint64_t size = 0;
    const UploadBudget::Reservation reservation = parts.uploads.Take(std::min(declared, max_upload));
    if (!reservation)
    {
        ReadBody(parts.config, reader, 0, body, size);
        spdlog::warn("upload of {} bytes refused: {} bytes of uploads are held already", declared,
                     parts.uploads.InUse());
        Refuse(response, BusyMessage);
        return;
    }
    const BodyRead read = ReadBody(parts.config, reader, std::min(declared, max_upload), body, size);
    if (read == BodyRead::TooSlow)
    {
        spdlog::warn("upload cut off after {} bytes: it arrived too slowly", size);
        Refuse(response, "The upload arrived too slowly; check the connection and try again.");
        return;
    }
    if (read == BodyRead::TooLarge)
    {
        Refuse(response, "The upload is " + std::to_string(size) + " bytes; this service accepts at most " +
                             std::to_string(max_upload) + " bytes.");
        return;
    }
    std::string error;
    auto headers = ReadUploadHeaders(request, error);
    if (!headers)
    {
        Refuse(response, error);
        return;
    }
    const auto account = parts.accounts.Find(headers->api_key);
    if (!account)
    {
        Refuse(response, AccountMessage(headers->api_key));
        return;
    }
    // Read here only to count and check; the worker reads the stored upload again.
    const auto unpack_start = std::chrono::steady_clock::now();
    auto entries = OpenUpload(body, UploadPassword(headers->job_number), parts.config.max_unpacked_bytes, error);
    if (!entries)
    {
        Refuse(response, error);
        return;
    }
    const auto read_start = std::chrono::steady_clock::now();
    auto plan = PlanWork(*entries, headers->natives, headers->translate_all, error);
    const auto read_end = std::chrono::steady_clock::now();
    entries.reset();
    if (!plan)
    {
        Refuse(response, "The upload cannot be read: " + error);
        return;
    }
    const auto characters = static_cast<std::int64_t>(plan->characters);
    const std::size_t texts = plan->texts;
    plan.reset();
    TaskRecord record;
    record.CharCount = ClampToInt32(characters);
    record.UsedCharCount = record.CharCount;
    record.UserID = account->user_id;
    TaskInput input;
    input.api_key = headers->api_key;
    input.provider = parts.chain.ProviderNameFor(headers->translator_type);
    input.job_number = headers->job_number;
    input.translate_all = headers->translate_all;
    input.natives = headers->natives;
    const Acceptance accepted = parts.tasks.Add(record, input, body, account->allowance);
    switch (accepted.outcome)
    {
    case Acceptance::Outcome::Insufficient:
    {
        Envelope envelope;
        envelope.Status = protocol::Status::Question;
        envelope.Msg = "This translation needs " + std::to_string(characters) +
                       " characters, but your API key has " + std::to_string(accepted.remaining) +
                       " left. Open the page to add characters?";
        envelope.Content = record;
        envelope.Content.UsedCharCount = 0;
        envelope.Content.UserTransLimit_LastCharCount = ClampToInt32(accepted.remaining);
        envelope.Content.result_errormsg = account->top_up_url;
        Answer(response, envelope);
        return;
    }
    case Acceptance::Outcome::Busy:
        Refuse(response, BusyMessage);
        return;
    case Acceptance::Outcome::Failed:
        Refuse(response, "The translation service cannot store the task; try again later.");
        return;
    case Acceptance::Outcome::Accepted:
        break;
    }
    // The timings let the job benchmark tell the service's share of an upload from the job's.
    spdlog::info("task {} accepted: {} texts, {} characters, provider {}, unpacked in {} ms, read in {} ms",
                 accepted.record.TaskidList.front(), texts, characters, input.provider,
                 Milliseconds(read_start - unpack_start), Milliseconds(read_end - read_start));
    Envelope envelope;
    envelope.Status = protocol::Status::Working;
    envelope.Msg = "Task accepted.";
    envelope.Content = accepted.record;
    envelope.Content.UserTransLimit_LastCharCount = ClampToInt32(accepted.remaining);
    Answer(response, envelope);
}

void Status(const ServiceParts& parts, const httplib::Request& request, httplib::Response& response,
            const httplib::ContentReader& reader)
{
    std::string body;
    std::uint64_t size = 0;
    if (ReadBody(parts.config, reader, parts.config.max_request_bytes, body, size) != BodyRead::Complete)
    {
        Refuse(response, "The status request is too large to be a task record.");
        return;
    }
    std::string error;
    const std::string key = ReadApiKey(request);
    if (key.empty())
    {
        Refuse(response, AccountMessage(key));
        return;
    }
    const auto sent = ParseTaskRecord(body, error);
    if (!sent)
    {
        Refuse(response, "The status request does not carry a task record: " + error + ".");
        return;
    }
    if (sent->TaskidList.empty())
    {
        Refuse(response, "The task record names no task.");
        return;
    }
    const std::int32_t id = sent->TaskidList.front();
    Envelope envelope;
    std::string message;
    switch (parts.tasks.Status(id, key, envelope.Content, message))
    {
    case TaskStore::Lookup::Unknown:
        Refuse(response, "Task " + std::to_string(id) +
                             " is not known to the translation service (it may have expired, or the service "
                             "was restarted). Please start the translation again.");
        return;
    case TaskStore::Lookup::Failed:
        Refuse(response, "The translation failed: " + message);
        return;
    case TaskStore::Lookup::Found:
        break;
    }
    envelope.Status = protocol::Status::Working;
    Answer(response, envelope);
}
} // namespace

void AddRoutes(httplib::Server& server, ServiceParts parts)
{
    server.Post(protocol::CheckUpdatePath,
                [parts](const httplib::Request& request, httplib::Response& response,
                        const httplib::ContentReader& reader)
                {
                    // The body is empty by design; reading it keeps the connection usable.
                    std::string ignored;
                    std::uint64_t size = 0;
                    ReadBody(parts.config, reader, 0, ignored, size);
                    CheckUpdate(parts, request, response);
                });
    server.Post(protocol::UploadPath,
                [parts](const httplib::Request& request, httplib::Response& response,
                        const httplib::ContentReader& reader) { Upload(parts, request, response, reader); });
    server.Post(protocol::StatusPath,
                [parts](const httplib::Request& request, httplib::Response& response,
                        const httplib::ContentReader& reader) { Status(parts, request, response, reader); });
    server.Get("/api/health", [](const httplib::Request&, httplib::Response& response)
               { response.set_content("{\"ok\":true}", JsonType); });
    server.set_exception_handler(
        [](const httplib::Request& request, httplib::Response& response, std::exception_ptr)
        {
            spdlog::error("{} {}: unexpected failure", request.method, request.path);
            Envelope envelope;
            envelope.Msg = "The translation service failed unexpectedly.";
            response.status = 500;
            response.set_content(EnvelopeToText(envelope), JsonType);
        });
}
} // namespace lirno::service
