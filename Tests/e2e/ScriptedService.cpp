#include "ScriptedService.h"

#include "Records.h"
#include "lirnoProtocol.h"
#include "zip.h"

#include <Util/AsciiCase.h>
#include <Util/Base64.h>
#include <Util/Utf.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>

namespace e2e
{
namespace
{
namespace protocol = lirno::protocol;
namespace Status = protocol::Status;
constexpr int TaskId = 4711;

// The zip engine keeps its last results process-wide: one caller at a time, whichever thread.
std::mutex ZipMutex;

std::string ZipMessage(ZipResult code)
{
    char text[128];
    zip_format_result(code, text, sizeof text);
    return text;
}

std::string PathOf(const std::string& request)
{
    const auto start = request.find(' ');
    const auto end = start == std::string::npos ? std::string::npos : request.find(' ', start + 1);
    return end == std::string::npos ? std::string() : request.substr(start + 1, end - start - 1);
}

std::string HeaderOf(const std::string& request, std::string_view name)
{
    const auto headersEnd = request.find("\r\n\r\n");
    std::size_t at = request.find("\r\n");
    while (at != std::string::npos && at < headersEnd)
    {
        const std::size_t lineStart = at + 2;
        const std::size_t lineEnd = request.find("\r\n", lineStart);
        const std::string line = request.substr(lineStart, lineEnd - lineStart);
        const auto colon = line.find(':');
        if (colon == name.size() && util::StartsWithIgnoreCase(line, name))
        {
            const auto value = line.find_first_not_of(' ', colon + 1);
            return value == std::string::npos ? std::string() : line.substr(value);
        }
        at = lineEnd;
    }
    return {};
}

std::string BodyOf(const std::string& request)
{
    const auto headersEnd = request.find("\r\n\r\n");
    return headersEnd == std::string::npos ? std::string() : request.substr(headersEnd + 4);
}

protocol::FTaskRecord TaskRecord(double progress, const std::string& fileBase64,
                                 const std::string& resultMessage)
{
    return {.TaskidList = {TaskId},
            .CharCount = 1000,
            .UserID = 501,
            .CompletedCharCount = static_cast<int>(progress * 10),
            .UsedCharCount = 1000,
            .UserTransLimit_LastCharCount = 99000,
            .file_b64 = fileBase64,
            .result_errormsg = "",
            .result_msg = resultMessage,
            .CompletionProgress = progress};
}
} // namespace

const std::string& FUpload::Bytes(std::string_view name) const
{
    for (const FPackageFile& file : Files)
    {
        if (file.Name == name)
        {
            return file.Bytes;
        }
    }
    ADD_FAILURE() << name << " was not uploaded";
    static const std::string None;
    return None;
}

FScriptedService::FScriptedService(FFinalAnswer finalAnswer) : MakeFinalAnswer(std::move(finalAnswer))
{
    Server = std::make_unique<host::test::FLoopbackServer>([this](const std::string& request)
                                                           { return Answer(request); });
}

FScriptedService::~FScriptedService()
{
    // Ends every open answer (a drip, a hang) before the state its threads use goes.
    Server.reset();
}

void FScriptedService::Hold()
{
    std::lock_guard lock(Mutex);
    bHeld = true;
}

void FScriptedService::Release()
{
    std::lock_guard lock(Mutex);
    bHeld = false;
}

std::optional<FUpload> FScriptedService::WaitForUpload(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(Mutex);
    Changed.wait_for(lock, timeout, [this] { return Upload.has_value() || !UploadError.empty(); });
    EXPECT_EQ(UploadError, "");
    return Upload;
}

bool FScriptedService::WaitForHeldPolls(std::size_t count, std::chrono::milliseconds timeout)
{
    std::unique_lock lock(Mutex);
    return Changed.wait_for(lock, timeout, [&] { return HeldPolls >= count; });
}

std::size_t FScriptedService::Requests(const std::string& path)
{
    std::lock_guard lock(Mutex);
    return Counts[path];
}

FReply FScriptedService::Answer(const std::string& request)
{
    const std::string path = PathOf(request);
    {
        std::lock_guard lock(Mutex);
        ++Counts[path];
    }
    if (path == protocol::CheckUpdatePath)
    {
        return EnvelopeReply(Status::Working, "The plug-in is up to date.");
    }
    if (path == protocol::UploadPath)
    {
        return AnswerUpload(request);
    }
    if (path == protocol::StatusPath)
    {
        return AnswerStatus();
    }
    return host::test::FLoopbackServer::Respond(404, "no such endpoint");
}

FReply FScriptedService::AnswerUpload(const std::string& request)
{
    FUpload upload;
    upload.JobNumber = HeaderOf(request, "Rnd");
    upload.bTranslateAll = HeaderOf(request, "TranslateAll") == "true";
    const std::string password = protocol::UploadPasswordPrefix + upload.JobNumber;
    std::string archive = BodyOf(request);
    protocol::UnshiftBytes(archive, protocol::UploadShift);
    std::string error;
    auto files = ReadPackage(archive, password.c_str(), error);
    std::lock_guard lock(Mutex);
    if (!files)
    {
        UploadError = "the upload does not open: " + error;
        Changed.notify_all();
        return EnvelopeReply(Status::Refused, "Scripted service: " + UploadError);
    }
    upload.Files = std::move(*files);
    Upload = std::move(upload);
    Changed.notify_all();
    return EnvelopeReply(Status::Working, "Task accepted.");
}

FReply FScriptedService::AnswerStatus()
{
    std::unique_lock lock(Mutex);
    if (!Upload)
    {
        return EnvelopeReply(Status::Refused, "Scripted service: status before any upload");
    }
    if (bHeld)
    {
        ++HeldPolls;
        Changed.notify_all();
        return EnvelopeReply(Status::Working, "", 50);
    }
    if (!Final)
    {
        // Made once, outside the lock: a large package takes a while and the test may call in.
        const FUpload upload = *Upload;
        lock.unlock();
        FReply reply = MakeFinalAnswer(upload);
        lock.lock();
        if (!Final)
        {
            Final = std::move(reply);
        }
    }
    return *Final;
}

std::string EnvelopeText(int status, const std::string& message, double progress,
                         const std::string& fileBase64, const std::string& resultMessage)
{
    const nlohmann::ordered_json envelope = {
        {protocol::Field::Status, status},
        {protocol::Field::Msg, message},
        {protocol::Field::Content,
         lirno::service::TaskRecordToJson(TaskRecord(progress, fileBase64, resultMessage))}};
    return envelope.dump();
}

FReply EnvelopeReply(int status, const std::string& message, double progress, const std::string& fileBase64,
                     const std::string& resultMessage)
{
    return host::test::FLoopbackServer::Respond(
        200, EnvelopeText(status, message, progress, fileBase64, resultMessage));
}

FReply PackageReply(const std::string& package)
{
    std::string shifted = package;
    protocol::ShiftBytes(shifted, protocol::ResultShift);
    return EnvelopeReply(Status::Working, "", 100, util::Base64Encode(shifted), FinishedMessage);
}

std::string BuildPackage(const std::vector<FPackageFile>& files, const char* password)
{
    std::lock_guard lock(ZipMutex);
    std::uint64_t capacity = 1 << 16;
    for (const FPackageFile& file : files)
    {
        capacity += file.Bytes.size() + file.Name.size() * 2 + 256;
    }
    // Null: the engine maps an anonymous block of this many bytes and writes into it.
    ZipHandle* zip =
        zip_create(nullptr, static_cast<std::uint32_t>(std::min<std::uint64_t>(capacity, 0xFFFF0000u)),
                   zip_kind::Memory, password);
    if (!zip)
    {
        ADD_FAILURE() << "the zip engine cannot create a package: " << ZipMessage(zip_last_result());
        return {};
    }
    for (const FPackageFile& file : files)
    {
        const std::u16string name = util::Utf8ToUtf16(file.Name);
        const ZipResult added = zip_add_memory(zip, name.c_str(), file.Bytes.data(),
                                               static_cast<std::uint32_t>(file.Bytes.size()));
        EXPECT_EQ(added, zip_result::Ok) << file.Name << ": " << ZipMessage(added);
    }
    void* data = nullptr;
    std::uint32_t length = 0;
    const ZipResult finished = zip_get_memory(zip, &data, &length);
    EXPECT_EQ(finished, zip_result::Ok) << ZipMessage(finished);
    std::string archive =
        finished == zip_result::Ok ? std::string(static_cast<const char*>(data), length) : "";
    zip_close(zip);
    return archive;
}

std::optional<std::vector<FPackageFile>> ReadPackage(const std::string& archive, const char* password,
                                                     std::string& error)
{
    std::lock_guard lock(ZipMutex);
    ZipHandle* zip =
        unzip_open(archive.data(), static_cast<std::uint32_t>(archive.size()), zip_kind::Memory, password);
    if (!zip)
    {
        error = ZipMessage(unzip_last_result());
        return std::nullopt;
    }
    std::vector<FPackageFile> files;
    ZipEntry entry{};
    ZipResult result = unzip_get_item(zip, -1, &entry);
    const std::int32_t count = result == zip_result::Ok ? entry.index : 0;
    for (std::int32_t i = 0; i < count && result == zip_result::Ok; ++i)
    {
        result = unzip_get_item(zip, i, &entry);
        if (result != zip_result::Ok)
        {
            break;
        }
        FPackageFile file;
        const std::u16string_view name(entry.name, std::size(entry.name));
        file.Name = util::Utf16ToUtf8(name.substr(0, name.find(u'\0')));
        file.Bytes.assign(entry.uncompressed_size, '\0');
        if (entry.uncompressed_size > 0)
        {
            result = unzip_item_to_memory(zip, i, file.Bytes.data(), entry.uncompressed_size);
        }
        files.push_back(std::move(file));
    }
    unzip_close(zip);
    if (result != zip_result::Ok)
    {
        error = ZipMessage(result);
        return std::nullopt;
    }
    return files;
}

std::uint32_t GetLe32(const std::string& archive, std::size_t at)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
    {
        value = (value << 8) | static_cast<std::uint8_t>(archive.at(at + static_cast<std::size_t>(i)));
    }
    return value;
}

void PutLe32(std::string& archive, std::size_t at, std::uint32_t value)
{
    for (std::size_t i = 0; i < 4; ++i)
    {
        archive.at(at + i) = static_cast<char>(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

std::size_t CentralHeaderAt(const std::string& archive, int index)
{
    const auto le16 = [&](std::size_t at) { return GetLe32(archive, at) & 0xFFFFu; };
    // The end record is the last 22 bytes; its last field before the comment length is the
    // central directory's offset.
    std::size_t at = GetLe32(archive, archive.size() - 6);
    for (int i = 0; i < index; ++i)
    {
        at += 46u + le16(at + 28) + le16(at + 30) + le16(at + 32);
    }
    return at;
}

std::size_t LocalHeaderAt(const std::string& archive, int index)
{
    return GetLe32(archive, CentralHeaderAt(archive, index) + 42);
}
} // namespace e2e
