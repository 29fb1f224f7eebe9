// Helpers shared by the plug-in's tests: a fake host with a default project, service answers
// in the service's JSON form, and zip packages made with the real zip engine.
#pragma once

#include "FakeHost.h"
#include "lirnoHelper.h"
#include "lirnoModel.h"
#include "lirnoProtocol.h"
#include "lirnoSetting.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace lirnotest
{
inline constexpr const char* ServiceHost = "http://service.test";
using lirno::protocol::CheckUpdatePath;
using lirno::protocol::StatusPath;
using lirno::protocol::UploadPath;
namespace Status = lirno::protocol::Status;

// An envelope as the service writes it.
std::string Envelope(int status, const std::string& msg = "", const lirno::FTask_Status& content = {});
// A status answer reporting progress, optionally with a finished package.
std::string ProgressAnswer(double progress, const std::string& fileB64 = "",
                           const std::string& resultMsg = "");
// The accepted-upload answer with a recognisable task record.
std::string AcceptedUpload();
lirno::FTask_Status AcceptedTask();

// A zip archive (no password) of the given entries, as bytes.
std::vector<std::uint8_t> MakeZip(const std::vector<std::pair<std::string, std::string>>& entries);
// The service's form of a result package: every byte +67, then base64.
std::string ResultPackageB64(const std::vector<std::pair<std::string, std::string>>& entries);
// Names of the entries of an archive file, in order; empty when it does not open.
std::vector<std::string> ZipEntryNames(const std::string& path, const char* password = nullptr);
// The content of one entry, or nothing when the archive or entry cannot be read.
std::optional<std::string> ZipEntryText(const std::string& path, const std::string& name,
                                        const char* password);
std::string ReadText(const std::string& path);

// An archive in the editor's file form.
std::string ArchiveText(const std::string& target, const std::string& culture,
                        const std::vector<host::FLocArchiveEntry>& entries);
// The fake project's sample archive of a culture with the given translations (by key) set.
std::string SampleArchiveWith(const std::string& culture,
                              const std::vector<std::pair<std::string, std::string>>& translations);
host::FLocArchive ReadArchive(const std::string& path);

// A fake host with a project holding one target "Game" (cultures en, de) and the service
// address pointed at the fake.
class PluginTest : public ::testing::Test
{
protected:
    PluginTest();
    ~PluginTest() override;

    lirno::UlirnoSetting& Settings() { return *lirno::UlirnoSetting::Get(); }
    // Pumps the fake host until no job is running (or nothing more can happen).
    bool RunUntilJobEnds(double maxSeconds = 3600.0);

    fake::FScopedFakeHost Host;
};
} // namespace lirnotest
