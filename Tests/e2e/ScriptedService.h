// A translation service on a free loopback port that follows a test's script. It answers the
// plug-in's three endpoints in the real service's envelope form, opens the upload exactly as the
// service does (bytes minus 33, zip behind the password prefix plus the "Rnd" job number) and
// hands it to the test, whose final status answer may be a package built from what was really
// uploaded, or anything a misbehaving service might send.
#pragma once

#include "LoopbackServer.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace e2e
{
using FReply = host::test::FLoopbackServer::FReply;

// One file of a zip package: its entry name and its bytes.
struct FPackageFile
{
    std::string Name;
    std::string Bytes;
};

struct FUpload
{
    std::string JobNumber; // the "Rnd" header
    bool bTranslateAll = false;
    std::vector<FPackageFile> Files; // in upload order

    // The uploaded bytes of `name`; fails the test when it was not uploaded.
    const std::string& Bytes(std::string_view name) const;
};

class FScriptedService
{
public:
    // `finalAnswer` makes the answer to the first status request after the upload (once
    // released, see Hold); every later status request gets the same answer.
    using FFinalAnswer = std::function<FReply(const FUpload&)>;
    explicit FScriptedService(FFinalAnswer finalAnswer);
    ~FScriptedService();
    FScriptedService(const FScriptedService&) = delete;
    FScriptedService& operator=(const FScriptedService&) = delete;

    int Port() const { return Server->Port(); }

    // While held, status requests are answered "working, 50%", so the job keeps polling and the
    // test can act between the upload and the final answer.
    void Hold();
    void Release();

    // The upload once it has arrived and opened (nothing after `timeout`); an upload that does
    // not open fails the test.
    std::optional<FUpload> WaitForUpload(std::chrono::milliseconds timeout);
    // True once `count` status requests have been answered "working" while held.
    bool WaitForHeldPolls(std::size_t count, std::chrono::milliseconds timeout);
    // Requests received so far on `path` (lirno::protocol::UploadPath, ...).
    std::size_t Requests(const std::string& path);

private:
    FReply Answer(const std::string& request);
    FReply AnswerUpload(const std::string& request);
    FReply AnswerStatus();

    FFinalAnswer MakeFinalAnswer;
    std::mutex Mutex;
    std::condition_variable Changed;
    bool bHeld = false;
    std::size_t HeldPolls = 0;
    std::optional<FUpload> Upload;
    std::string UploadError;
    std::optional<FReply> Final;
    std::map<std::string, std::size_t> Counts;
    // Last: its connection threads call back into the members above until it is gone.
    std::unique_ptr<host::test::FLoopbackServer> Server;
};

// ---- answers -----------------------------------------------------------------------------------

// A service envelope (Status, Msg, Content with a task record) as JSON text.
std::string EnvelopeText(int status, const std::string& message, double progress = 0,
                         const std::string& fileBase64 = {}, const std::string& resultMessage = {});
// An HTTP 200 answer carrying that envelope.
FReply EnvelopeReply(int status, const std::string& message, double progress = 0,
                     const std::string& fileBase64 = {}, const std::string& resultMessage = {});
// The final status answer carrying `package` as the service sends one: plus 67, then base64.
FReply PackageReply(const std::string& package);
// The final status answer's message when the package is applied.
inline constexpr const char* FinishedMessage = "Translation finished by the scripted service";

// ---- packages ----------------------------------------------------------------------------------

// A zip archive of the files, deflated by the zip engine, held in memory.
std::string BuildPackage(const std::vector<FPackageFile>& files, const char* password = nullptr);
// The files of a zip archive in memory, or nothing (with `error`) when it does not open.
std::optional<std::vector<FPackageFile>> ReadPackage(const std::string& archive, const char* password,
                                                     std::string& error);

// Header surgery for packages the zip engine would never write. Offsets of the index-th item's
// central and local headers, in an archive without a comment.
std::size_t CentralHeaderAt(const std::string& archive, int index);
std::size_t LocalHeaderAt(const std::string& archive, int index);
void PutLe32(std::string& archive, std::size_t at, std::uint32_t value);
std::uint32_t GetLe32(const std::string& archive, std::size_t at);
} // namespace e2e
