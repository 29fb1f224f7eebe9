// libFuzzer target over the reader: open an archive from memory, list it, extract every item
// to memory and to a scratch folder, and look names up. Any crash, sanitizer report, or file
// written outside the scratch folder is a finding.
#include "zip.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{
std::filesystem::path scratch_root()
{
    static const std::filesystem::path root = []
    {
        auto p = std::filesystem::temp_directory_path() / ("zip_reader_fuzz_" + std::to_string(::getpid()));
        std::filesystem::create_directories(p / "base");
        return p;
    }();
    return root;
}

std::u16string widen(const std::string& s)
{
    return std::u16string(s.begin(), s.end());
}

void drain_to_memory(ZipHandle* zip, int index)
{
    std::vector<std::uint8_t> buffer(4096);
    // Bounded: a tiny input may claim gigabytes of output.
    for (int piece = 0; piece < 256; ++piece)
        if (unzip_item_to_memory(zip, index, buffer.data(), static_cast<std::uint32_t>(buffer.size())) !=
            zip_result::MoreToUnzip)
            return;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    // The first byte picks the password so both the plain and the encrypted paths run.
    const char* password = (data[0] & 1) ? "pw" : nullptr;
    ZipHandle* zip = unzip_open(data + 1, static_cast<std::uint32_t>(size - 1), zip_kind::Memory, password);
    if (zip == nullptr)
        return 0;
    const std::filesystem::path root = scratch_root();
    const std::filesystem::path base = root / "base";
    unzip_set_base_dir(zip, widen(base.string() + "/").c_str());

    ZipEntry entry{};
    unzip_get_item(zip, -1, &entry);
    const int count = entry.index < 64 ? entry.index : 64;
    for (int i = 0; i < count; ++i)
    {
        if (unzip_get_item(zip, i, &entry) != zip_result::Ok)
            continue;
        drain_to_memory(zip, i);
        if (entry.uncompressed_size <= (1u << 20))
            unzip_item_to_file(zip, i, entry.name);
        std::int32_t found = -1;
        unzip_find_item(zip, entry.name, (i & 1) != 0, &found, nullptr);
    }
    // Walking back after the forward pass exercises the cursor restart.
    if (count > 1)
        drain_to_memory(zip, count / 2);
    unzip_close(zip);

    // Nothing may appear beside the base folder.
    for (const auto& e : std::filesystem::directory_iterator(root))
        if (e.path() != base)
            std::abort();
    std::filesystem::remove_all(base);
    std::filesystem::create_directories(base);
    return 0;
}
