// libFuzzer target over the reader: open an archive from memory, list it, extract every item
// to memory and to a scratch folder, and look names up. Any crash, sanitizer report, or file
// written outside the scratch folder is a finding, and so is any of these:
// - items that can be described occupy more bytes than the archive has (they overlap);
// - memory extraction writes past the declared size, or succeeds with another byte count;
// - a file extraction succeeds with another size than declared, or fails and leaves the
//   file or its temporary behind.
#include "zip.h"

#include <algorithm>
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

constexpr std::uint8_t Untouched = 0xA5;

void drain_to_memory(ZipHandle* zip, int index, std::uint64_t declared)
{
    constexpr std::size_t Piece = 4096;
    std::vector<std::uint8_t> buffer(Piece);
    std::uint64_t delivered = 0;
    // Bounded: a tiny input may claim gigabytes of output.
    for (int piece = 0; piece < 256; ++piece)
    {
        std::fill(buffer.begin(), buffer.end(), Untouched);
        const ZipResult r =
            unzip_item_to_memory(zip, index, buffer.data(), static_cast<std::uint32_t>(Piece));
        if (r == zip_result::MoreToUnzip)
        {
            delivered += Piece;
            if (delivered >= declared)
                std::abort(); // the piece that reaches the declared size is the last one
            continue;
        }
        // Whatever the outcome, nothing lands past the declared size.
        const std::uint64_t room = declared - delivered < Piece ? declared - delivered : Piece;
        for (std::size_t i = static_cast<std::size_t>(room); i < Piece; ++i)
            if (buffer[i] != Untouched)
                std::abort();
        return;
    }
}

// A name that maps to one file right below the base folder, so the oracle knows its path.
bool plain_name(const char16_t* name)
{
    if (*name == u'\0' || *name == u'.')
        return false;
    for (; *name; ++name)
        if (!((*name >= u'a' && *name <= u'z') || (*name >= u'A' && *name <= u'Z') ||
              (*name >= u'0' && *name <= u'9') || *name == u'_' || *name == u'.'))
            return false;
    return true;
}

void extract_to_file(ZipHandle* zip, int index, const ZipEntry& entry, const std::filesystem::path& base)
{
    std::error_code ec;
    const bool checked = plain_name(entry.name) && !(entry.attributes & 0x10);
    std::filesystem::path target;
    std::uintmax_t before = 0;
    bool existed = false;
    if (checked)
    {
        target = base / std::string(entry.name, entry.name + std::char_traits<char16_t>::length(entry.name));
        existed = std::filesystem::is_regular_file(target, ec);
        before = existed ? std::filesystem::file_size(target, ec) : 0;
    }
    const ZipResult r = unzip_item_to_file(zip, index, entry.name);
    if (!checked || std::filesystem::is_directory(target, ec))
        return;
    const bool now = std::filesystem::is_regular_file(target, ec);
    const std::uintmax_t after = now ? std::filesystem::file_size(target, ec) : 0;
    if (r == zip_result::Ok ? (!now || after != entry.uncompressed_size)
                            : (now != existed || after != before))
        std::abort();
}

// Temporaries of failed extractions must not survive them.
void expect_no_temporaries(const std::filesystem::path& base)
{
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(base, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
        if (it->path().filename().string().find(".zipx-") != std::string::npos)
            std::abort();
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
    std::uint64_t occupied = 0; // local header and data of every item that can be described
    for (int i = 0; i < count; ++i)
    {
        if (unzip_get_item(zip, i, &entry) != zip_result::Ok)
            continue;
        occupied += 30u + std::uint64_t{entry.compressed_size};
        drain_to_memory(zip, i, entry.uncompressed_size);
        if (entry.uncompressed_size <= (1u << 20))
            extract_to_file(zip, i, entry, base);
        std::int32_t found = -1;
        unzip_find_item(zip, entry.name, (i & 1) != 0, &found, nullptr);
    }
    if (occupied > size - 1)
        std::abort(); // two described items share bytes
    // Walking back after the forward pass exercises the cursor restart.
    if (count > 1 && unzip_get_item(zip, count / 2, &entry) == zip_result::Ok)
        drain_to_memory(zip, count / 2, entry.uncompressed_size);
    unzip_close(zip);
    expect_no_temporaries(base);

    // Nothing may appear beside the base folder.
    for (const auto& e : std::filesystem::directory_iterator(root))
        if (e.path() != base)
            std::abort();
    std::filesystem::remove_all(base);
    std::filesystem::create_directories(base);
    return 0;
}
