#include "ResultPackage.h"

#include "ZipEngineLock.h"
#include "lirnoProtocol.h"
#include "zip.h"

#include <Util/Base64.h>
#include <Util/Utf.h>
#include <limits>
#include <memory>

namespace lirno::service
{
namespace
{
struct WriterCloser
{
    void operator()(ZipHandle* handle) const { zip_close(handle); }
};
using Writer = std::unique_ptr<ZipHandle, WriterCloser>;

// Deflate can exceed its input slightly on incompressible data, and every entry adds headers
// with its name twice; the engine needs strictly more room than the archive takes.
std::uint64_t Capacity(const std::vector<PackageEntry>& entries)
{
    std::uint64_t total = 64 * 1024;
    for (const PackageEntry& entry : entries)
        total += entry.bytes.size() + entry.bytes.size() / 64 + 1024 + 2 * entry.name.size();
    return total;
}

enum class Attempt
{
    Done,
    Full,
    Failed,
};

Attempt TryWrite(const std::vector<PackageEntry>& entries, std::uint64_t capacity, std::string& out,
                 std::string& error)
{
    Writer writer(zip_create(nullptr, static_cast<std::uint32_t>(capacity), zip_kind::Memory, nullptr));
    if (!writer)
    {
        error = "cannot allocate the result archive";
        return Attempt::Failed;
    }
    for (const PackageEntry& entry : entries)
    {
        const std::u16string name = util::Utf8ToUtf16(entry.name);
        // Translated archives are never empty; the engine would refuse an empty memory source.
        const ZipResult added = zip_add_memory(writer.get(), name.c_str(), entry.bytes.data(),
                                               static_cast<std::uint32_t>(entry.bytes.size()));
        if (added == zip_result::MemoryFull)
            return Attempt::Full;
        if (added != zip_result::Ok)
        {
            error =
                "cannot add " + entry.name + " to the result archive (code " + std::to_string(added) + ")";
            return Attempt::Failed;
        }
    }
    void* data = nullptr;
    std::uint32_t length = 0;
    const ZipResult finished = zip_get_memory(writer.get(), &data, &length);
    if (finished == zip_result::MemoryFull)
        return Attempt::Full;
    if (finished != zip_result::Ok || !data)
    {
        error = "cannot finish the result archive (code " + std::to_string(finished) + ")";
        return Attempt::Failed;
    }
    out.assign(static_cast<const char*>(data), length);
    return Attempt::Done;
}
} // namespace

std::optional<std::string> WriteZip(const std::vector<PackageEntry>& entries, std::string& error)
{
    std::lock_guard lock(ZipEngineMutex());
    std::string out;
    for (std::uint64_t capacity = Capacity(entries); capacity <= std::numeric_limits<std::uint32_t>::max();
         capacity *= 2)
    {
        switch (TryWrite(entries, capacity, out, error))
        {
        case Attempt::Done:
            return out;
        case Attempt::Failed:
            return std::nullopt;
        case Attempt::Full:
            break;
        }
    }
    error = "the result archive would exceed 4 GiB";
    return std::nullopt;
}

std::optional<std::string> MakeResultPackage(const std::vector<PackageEntry>& entries, std::string& error)
{
    auto zip = WriteZip(entries, error);
    if (!zip)
        return std::nullopt;
    protocol::ShiftBytes(*zip, protocol::ResultShift);
    return util::Base64Encode(*zip);
}
} // namespace lirno::service
