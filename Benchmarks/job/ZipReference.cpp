#include "ZipReference.h"

#include "zip.h"

#include <chrono>

namespace jobbench
{
namespace
{
// The benchmark's names and paths are ASCII.
std::u16string Wide(const std::string& text)
{
    return std::u16string(text.begin(), text.end());
}

double SecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}
} // namespace

double TimePacking(const std::vector<FileEntry>& files, const char* password, const std::string& archive)
{
    const auto start = std::chrono::steady_clock::now();
    ZipHandle* zip = zip_create_file(Wide(archive).c_str(), password);
    for (const FileEntry& file : files)
        zip_add_file(zip, Wide(file.name).c_str(), Wide(file.path).c_str());
    zip_close(zip);
    return SecondsSince(start);
}

double TimeUnpackInMemory(const std::string& bytes, const char* password)
{
    const auto start = std::chrono::steady_clock::now();
    ZipHandle* zip =
        unzip_open(bytes.data(), static_cast<std::uint32_t>(bytes.size()), zip_kind::Memory, password);
    ZipEntry entry{};
    unzip_get_item(zip, -1, &entry);
    const std::int32_t count = entry.index;
    std::string buffer;
    for (std::int32_t i = 0; i < count; ++i)
    {
        unzip_get_item(zip, i, &entry);
        buffer.resize(entry.uncompressed_size);
        if (!buffer.empty())
            unzip_item_to_memory(zip, i, buffer.data(), static_cast<std::uint32_t>(buffer.size()));
    }
    unzip_close(zip);
    return SecondsSince(start);
}

double TimeExtract(const std::string& archive, const std::string& folder)
{
    const auto start = std::chrono::steady_clock::now();
    ZipHandle* zip = unzip_open_file(Wide(archive).c_str(), nullptr);
    unzip_set_base_dir(zip, Wide(folder).c_str());
    ZipEntry entry{};
    unzip_get_item(zip, -1, &entry);
    const std::int32_t count = entry.index;
    for (std::int32_t i = 0; i < count; ++i)
    {
        unzip_get_item(zip, i, &entry);
        unzip_item_to_file(zip, i, entry.name);
    }
    unzip_close(zip);
    return SecondsSince(start);
}
} // namespace jobbench
