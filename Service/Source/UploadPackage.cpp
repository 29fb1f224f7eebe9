#include "UploadPackage.h"

#include "ZipEngineLock.h"
#include "lirnoProtocol.h"
#include "zip.h"

#include <Util/Utf.h>
#include <memory>

namespace lirno::service
{
namespace
{
struct ReaderCloser
{
    void operator()(ZipHandle* handle) const { unzip_close(handle); }
};
using Reader = std::unique_ptr<ZipHandle, ReaderCloser>;

constexpr std::uint32_t DirectoryAttribute = 0x10;
} // namespace

std::string UploadPassword(std::string_view job_number)
{
    return std::string(protocol::UploadPasswordPrefix) + std::string(job_number);
}

std::optional<std::vector<PackageEntry>> OpenUpload(std::string shifted_bytes, std::string_view password,
                                                    std::uint64_t max_unpacked, std::string& error)
{
    if (shifted_bytes.size() > 0xFFFFFFFFull)
    {
        error = "The upload is larger than a zip archive can be.";
        return std::nullopt;
    }
    std::string bytes = std::move(shifted_bytes);
    protocol::UnshiftBytes(bytes, protocol::UploadShift);
    const std::string password_text(password);

    std::lock_guard lock(ZipEngineMutex());
    Reader reader(unzip_open(bytes.data(), static_cast<std::uint32_t>(bytes.size()), zip_kind::Memory,
                             password_text.c_str()));
    if (bytes.empty() || !reader)
    {
        error = "The upload is not a translation package (not a zip archive after decoding).";
        return std::nullopt;
    }
    ZipEntry entry{};
    if (unzip_get_item(reader.get(), -1, &entry) != zip_result::Ok)
    {
        error = "The upload's archive cannot be read.";
        return std::nullopt;
    }
    const std::int32_t count = entry.index;
    std::vector<PackageEntry> entries;
    std::uint64_t unpacked = 0;
    for (std::int32_t i = 0; i < count; ++i)
    {
        if (unzip_get_item(reader.get(), i, &entry) != zip_result::Ok)
        {
            error = "The upload's archive is damaged (entry " + std::to_string(i) + ").";
            return std::nullopt;
        }
        if (entry.attributes & DirectoryAttribute)
            continue;
        unpacked += entry.uncompressed_size;
        if (unpacked > max_unpacked)
        {
            error = "The upload unpacks to more than " + std::to_string(max_unpacked) + " bytes.";
            return std::nullopt;
        }
        PackageEntry file;
        file.name = util::Utf16ToUtf8(entry.name);
        file.bytes.resize(entry.uncompressed_size);
        if (!file.bytes.empty())
        {
            // A buffer of the item's full size takes it in one call; anything but Ok means the
            // item did not decrypt or inflate to the size its header promised.
            const ZipResult read = unzip_item_to_memory(reader.get(), i, file.bytes.data(),
                                                        static_cast<std::uint32_t>(file.bytes.size()));
            if (read == zip_result::WrongPassword)
            {
                error = "The upload's password does not match (is the \"Rnd\" header the job number?).";
                return std::nullopt;
            }
            if (read != zip_result::Ok)
            {
                error = "The upload's entry " + file.name + " cannot be unpacked.";
                return std::nullopt;
            }
        }
        entries.push_back(std::move(file));
    }
    return entries;
}
} // namespace lirno::service
