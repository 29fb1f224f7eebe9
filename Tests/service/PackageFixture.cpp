#include "PackageFixture.h"

#include "UploadPackage.h"
#include "lirnoProtocol.h"
#include "zip.h"

#include <Util/Base64.h>
#include <Util/Utf.h>
#include <gtest/gtest.h>

namespace lirno::service::test
{
std::string ManifestJson(const std::string& target, const std::string& native,
                         const std::vector<std::string>& sources)
{
    locformat::FManifest manifest;
    manifest.Target = target;
    manifest.NativeCulture = native;
    for (std::size_t i = 0; i < sources.size(); ++i)
        manifest.Entries.push_back({"UI", "K" + std::to_string(i), sources[i], {}});
    std::string json, error;
    EXPECT_TRUE(locformat::ManifestToJson(manifest, json, error)) << error;
    return json;
}

std::string ArchiveJson(const std::string& target, const std::string& culture,
                        const std::vector<std::string>& sources, const std::vector<std::string>& translations)
{
    locformat::FArchive archive;
    archive.Target = target;
    archive.Culture = culture;
    for (std::size_t i = 0; i < sources.size(); ++i)
        archive.Entries.push_back(
            {"UI", "K" + std::to_string(i), sources[i], i < translations.size() ? translations[i] : ""});
    std::string json, error;
    EXPECT_TRUE(locformat::ArchiveToJson(archive, json, error)) << error;
    return json;
}

std::string ZipBytes(const std::vector<PackageEntry>& entries, const char* password)
{
    ZipHandle* zip = zip_create(nullptr, 1u << 24, zip_kind::Memory, password);
    EXPECT_NE(zip, nullptr);
    if (!zip)
        return {};
    for (const PackageEntry& entry : entries)
    {
        const std::u16string name = util::Utf8ToUtf16(entry.name);
        EXPECT_EQ(zip_add_memory(zip, name.c_str(), entry.bytes.data(),
                                 static_cast<std::uint32_t>(entry.bytes.size())),
                  zip_result::Ok);
    }
    void* data = nullptr;
    std::uint32_t length = 0;
    EXPECT_EQ(zip_get_memory(zip, &data, &length), zip_result::Ok);
    std::string bytes(static_cast<const char*>(data), length);
    zip_close(zip);
    return bytes;
}

std::string UploadBody(const std::vector<PackageEntry>& entries, const std::string& job_number)
{
    std::string bytes = ZipBytes(entries, UploadPassword(job_number).c_str());
    protocol::ShiftBytes(bytes, protocol::UploadShift);
    return bytes;
}

std::vector<PackageEntry> ReadResultPackage(const std::string& file_b64)
{
    auto bytes = util::Base64Decode(file_b64);
    if (!bytes)
        return {};
    protocol::UnshiftBytes(*bytes, protocol::ResultShift);
    std::vector<PackageEntry> entries;
    ZipHandle* zip =
        unzip_open(bytes->data(), static_cast<std::uint32_t>(bytes->size()), zip_kind::Memory, nullptr);
    if (!zip)
        return {};
    ZipEntry entry{};
    unzip_get_item(zip, -1, &entry);
    const std::int32_t count = entry.index;
    for (std::int32_t i = 0; i < count; ++i)
    {
        unzip_get_item(zip, i, &entry);
        PackageEntry file{util::Utf16ToUtf8(entry.name), std::string(entry.uncompressed_size, '\0')};
        EXPECT_EQ(unzip_item_to_memory(zip, i, file.bytes.data(), entry.uncompressed_size), zip_result::Ok);
        entries.push_back(std::move(file));
    }
    unzip_close(zip);
    return entries;
}

std::vector<PackageEntry> SampleUpload()
{
    const std::vector<std::string> game = {"Hello {PlayerName}!", "Press <b>Start</b> to play",
                                           "You have {0} coins"};
    const std::vector<std::string> menus = {"Options", "Quit game"};
    return {
        {"Game/Game.manifest", ManifestJson("Game", "en", game)},
        {"Game/en/Game.archive", ArchiveJson("Game", "en", game, game)},
        {"Game/de/Game.archive", ArchiveJson("Game", "de", game, {"Hallo {PlayerName}!"})},
        {"Game/es/Game.archive", ArchiveJson("Game", "es", game)},
        {"Menus/Menus.manifest", ManifestJson("Menus", "en", menus)},
        {"Menus/en/Menus.archive", ArchiveJson("Menus", "en", menus, menus)},
        {"Menus/fr/Menus.archive", ArchiveJson("Menus", "fr", menus)},
    };
}

std::string NativeLangHeader()
{
    return util::Base64Encode("{\n\t\"Game\": \"en\",\n\t\"Menus\": \"en\"\n}");
}

locformat::FArchive ParseArchiveOrFail(const PackageEntry& entry)
{
    locformat::FArchive archive;
    std::string error;
    EXPECT_TRUE(locformat::ParseArchive(entry.bytes, entry.name, archive, error)) << error;
    return archive;
}
httplib::Headers PluginHeaders(const std::string& key, const std::string& rnd, const std::string& translate_all)
{
    return {{"User-Agent", "zq lirno"},
            {"Accepts", "application/json; charset=UTF-8"},
            {"Authorization", key},
            {"TranslateAll", translate_all},
            {"ProjectFilePath", "L3AvRGVtby51cHJvamVjdA=="},
            {"ProjectID", "ABC"},
            {"NativeLang", NativeLangHeader()},
            {"Version", LIRNO_VERSION},
            {"Rnd", rnd},
            {"TranslatorType", "0"},
            {"ENGINE_MAJOR_VERSION", "5"},
            {"ENGINE_MINOR_VERSION", "4"},
            {"ENGINE_PATCH_VERSION", "3"}};
}
} // namespace lirno::service::test
