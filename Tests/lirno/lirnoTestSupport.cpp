#include "lirnoTestSupport.h"

#include "Json.h"
#include "TempFolder.h"
#include "lirnoWidePath.h"
#include "zip.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace lirnotest
{
std::string Envelope(int status, const std::string& msg, const lirno::FTask_Status& content)
{
    lirno::FAPI_Response_TaskStatus envelope;
    envelope.Status = status;
    envelope.Msg = msg;
    envelope.Content = content;
    return host::RecordToJson(envelope);
}

lirno::FTask_Status AcceptedTask()
{
    lirno::FTask_Status task;
    task.TaskidList = {7, 8};
    task.CharCount = 120;
    task.UserID = 42;
    return task;
}

std::string AcceptedUpload()
{
    return Envelope(Status::Working, "", AcceptedTask());
}

std::string ProgressAnswer(double progress, const std::string& fileB64, const std::string& resultMsg)
{
    lirno::FTask_Status task;
    task.CompletionProgress = progress;
    task.file_b64 = fileB64;
    task.result_msg = resultMsg;
    return Envelope(Status::Working, "", task);
}

std::vector<std::uint8_t> MakeZip(const std::vector<std::pair<std::string, std::string>>& entries)
{
    const testsupport::FTempFolder folder("lirno-zip");
    const auto path = folder / "package.zip";
    ZipHandle* zip = zip_create_file(lirno::ToWide(path.string()).c_str(), nullptr);
    EXPECT_NE(zip, nullptr);
    for (const auto& [name, text] : entries)
    {
        zip_add_memory(zip, lirno::ToWide(name).c_str(), text.data(),
                       static_cast<std::uint32_t>(text.size()));
    }
    zip_close(zip);
    std::vector<std::uint8_t> bytes;
    host::File::ReadAll(path.string(), bytes);
    return bytes;
}

std::string ResultPackageB64(const std::vector<std::pair<std::string, std::string>>& entries)
{
    auto bytes = MakeZip(entries);
    for (auto& b : bytes)
    {
        b = static_cast<std::uint8_t>(b + 67);
    }
    return host::Base64Encode(bytes);
}

std::string ArchiveText(const std::string& target, const std::string& culture,
                        const std::vector<host::FLocArchiveEntry>& entries)
{
    std::string text;
    std::string error;
    EXPECT_TRUE(host::LocFiles::ArchiveToText({target, culture, entries}, text, error)) << error;
    return text;
}

std::string SampleArchiveWith(const std::string& culture,
                              const std::vector<std::pair<std::string, std::string>>& translations)
{
    auto entries = fake::FakeHost::SampleEntries(culture);
    for (const auto& [key, translation] : translations)
    {
        for (auto& entry : entries)
        {
            if (entry.Key == key)
            {
                entry.Translation = translation;
            }
        }
    }
    return ArchiveText("Game", culture, entries);
}

host::FLocArchive ReadArchive(const std::string& path)
{
    host::FLocArchive archive;
    std::string error;
    EXPECT_TRUE(host::LocFiles::ParseArchive(ReadText(path), path, archive, error)) << error;
    return archive;
}

std::vector<std::string> ZipEntryNames(const std::string& path, const char* password)
{
    std::vector<std::string> names;
    ZipHandle* zip = unzip_open_file(lirno::ToWide(path).c_str(), password);
    if (!zip)
    {
        return names;
    }
    ZipEntry entry{};
    unzip_get_item(zip, -1, &entry);
    const int count = entry.index;
    for (int i = 0; i < count; ++i)
    {
        unzip_get_item(zip, i, &entry);
        names.push_back(lirno::FromWide(entry.name));
    }
    unzip_close(zip);
    return names;
}

std::optional<std::string> ZipEntryText(const std::string& path, const std::string& name,
                                        const char* password)
{
    ZipHandle* zip = unzip_open_file(lirno::ToWide(path).c_str(), password);
    if (!zip)
    {
        return std::nullopt;
    }
    std::optional<std::string> text;
    ZipEntry entry{};
    int index = -1;
    if (unzip_find_item(zip, lirno::ToWide(name).c_str(), false, &index, &entry) == zip_result::Ok)
    {
        std::string buffer(entry.uncompressed_size, '\0');
        if (unzip_item_to_memory(zip, index, buffer.data(), static_cast<std::uint32_t>(buffer.size())) ==
            zip_result::Ok)
        {
            text = buffer;
        }
    }
    unzip_close(zip);
    return text;
}

std::string ReadText(const std::string& path)
{
    std::string text;
    host::File::ReadAllText(path, text);
    return text;
}

PluginTest::PluginTest()
{
    lirno::bTranslationRunning = false;
    Host->AddGameTarget("Game", {"en", "de"});
    Settings().Host = ServiceHost;
}

PluginTest::~PluginTest()
{
    // A job left running by a failed test must not keep its worker alive.
    lirno::bTranslationRunning = false;
}

bool PluginTest::RunUntilJobEnds(double maxSeconds)
{
    return Host->Clock.RunUntil([] { return !lirno::bTranslationRunning; }, maxSeconds);
}
} // namespace lirnotest
