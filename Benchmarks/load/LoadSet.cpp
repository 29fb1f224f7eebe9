#include "LoadSet.h"

#include "PackageEntry.h"
#include "UploadPackage.h"
#include "lirnoProtocol.h"
#include "zip.h"

#include <LocFormat/TextFiles.h>
#include <Util/Base64.h>
#include <Util/Utf.h>
#include <cstdint>
#include <vector>

namespace loadbench
{
namespace
{
const char* const Words[] = {"village", "sword",    "dragon",  "gold",   "quest", "shadow", "river",
                             "castle",  "merchant", "ancient", "forest", "brave", "potion", "shield",
                             "the",     "a",        "of",      "to",     "and",   "with",   "your"};
const char* const Cultures[] = {"de", "fr", "es", "ja"};

std::string Sentence(std::uint32_t& state)
{
    const auto next = [&state]
    {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };
    std::string text;
    const std::uint32_t words = 6 + next() % 12;
    for (std::uint32_t i = 0; i < words; ++i)
    {
        if (!text.empty())
            text += ' ';
        if (next() % 16 == 0)
            text += "{0} ";
        text += Words[next() % (sizeof Words / sizeof *Words)];
    }
    return text + ".";
}

} // namespace

LoadSet MakeLoadSet(std::size_t target_bytes, const std::string& job_number, std::string& error)
{
    using lirno::service::PackageEntry;
    LoadSet set;
    // About 165 bytes per text in each of the six files, measured on this generator.
    const std::size_t texts = std::max<std::size_t>(10, target_bytes / (6 * 165));
    locformat::FManifest manifest;
    manifest.Target = "Game";
    manifest.NativeCulture = "en";
    std::uint32_t state = 12345;
    for (std::size_t i = 0; i < texts; ++i)
        manifest.Entries.push_back({"Load", "K" + std::to_string(i), Sentence(state), {}});
    std::vector<PackageEntry> files;
    std::string json;
    if (!locformat::ManifestToJson(manifest, json, error))
        return set;
    files.push_back({"Game/Game.manifest", std::move(json)});
    std::vector<std::string> cultures = {"en"};
    cultures.insert(cultures.end(), std::begin(Cultures), std::end(Cultures));
    for (const std::string& culture : cultures)
    {
        locformat::FArchive archive;
        archive.Target = "Game";
        archive.Culture = culture;
        for (const auto& entry : manifest.Entries)
        {
            locformat::FArchiveEntry item;
            item.Namespace = entry.Namespace;
            item.Key = entry.Key;
            item.Source = entry.Source;
            if (culture == "en")
                item.Translation = entry.Source;
            archive.Entries.push_back(std::move(item));
        }
        json.clear();
        if (!locformat::ArchiveToJson(archive, json, error))
            return set;
        files.push_back({"Game/" + culture + "/Game.archive", std::move(json)});
    }
    for (const PackageEntry& file : files)
        set.set_bytes += file.bytes.size();
    set.texts = texts * (cultures.size() - 1);

    const std::string password = lirno::service::UploadPassword(job_number);
    ZipHandle* zip = zip_create(nullptr, static_cast<std::uint32_t>(set.set_bytes / 2 + (1u << 20)),
                                zip_kind::Memory, password.c_str());
    if (!zip)
    {
        error = "the zip engine cannot create an archive";
        return set;
    }
    for (const PackageEntry& file : files)
    {
        const std::u16string name = util::Utf8ToUtf16(file.name);
        if (zip_add_memory(zip, name.c_str(), file.bytes.data(),
                           static_cast<std::uint32_t>(file.bytes.size())) != zip_result::Ok)
        {
            zip_close(zip);
            error = "the zip engine refused " + file.name;
            return set;
        }
    }
    void* data = nullptr;
    std::uint32_t length = 0;
    if (zip_get_memory(zip, &data, &length) != zip_result::Ok)
    {
        zip_close(zip);
        error = "the zip engine cannot hand over the archive";
        return set;
    }
    set.upload.assign(static_cast<const char*>(data), length);
    zip_close(zip);
    lirno::protocol::ShiftBytes(set.upload, lirno::protocol::UploadShift);
    set.natives = util::Base64Encode("{\"Game\": \"en\"}");
    return set;
}
} // namespace loadbench
