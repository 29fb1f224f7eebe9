// libFuzzer round trip: items made from the input are written to a memory archive, with or
// without a password, and must read back byte for byte.
#include "zip.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{
struct Item
{
    std::u16string name;
    std::vector<std::uint8_t> data;
    bool folder = false;
};

// Input: a flags byte, then items of [name units][name: 2 bytes a unit][size: 2 bytes][data].
std::vector<Item> parse(const std::uint8_t* p, std::size_t n)
{
    std::vector<Item> items;
    std::size_t at = 1;
    while (at < n && items.size() < 32)
    {
        Item item;
        const std::size_t units = p[at++] % 40;
        for (std::size_t i = 0; i < units && at + 1 < n; ++i, at += 2)
            item.name += static_cast<char16_t>(p[at] | (p[at + 1] << 8));
        if (at + 1 >= n)
            break;
        std::size_t size = p[at] | (p[at + 1] << 8);
        at += 2;
        item.folder = (size & 0x8000) != 0;
        size &= 0x7FFF;
        if (size > n - at)
            size = n - at;
        item.data.assign(p + at, p + at + size);
        at += size;
        items.push_back(std::move(item));
    }
    return items;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const char* password = (data[0] & 1) ? "fuzz" : nullptr;
    const std::vector<Item> items = parse(data, size);
    ZipHandle* zip = zip_create(nullptr, 1u << 22, zip_kind::Memory, password);
    if (zip == nullptr)
        std::abort();
    std::vector<const Item*> added;
    for (const Item& item : items)
    {
        const ZipResult r = item.folder ? zip_add_folder(zip, item.name.c_str())
                                        : zip_add_memory(zip, item.name.c_str(), item.data.data(),
                                                         static_cast<std::uint32_t>(item.data.size()));
        if (r == zip_result::Ok)
            added.push_back(&item);
        else if (r != zip_result::BadArguments)
            std::abort(); // only caller mistakes may fail here
    }
    void* archive = nullptr;
    std::uint32_t length = 0;
    if (zip_get_memory(zip, &archive, &length) != zip_result::Ok)
        std::abort();
    ZipHandle* reader = unzip_open(archive, length, zip_kind::Memory, password);
    if (reader == nullptr)
        std::abort();
    ZipEntry entry{};
    if (unzip_get_item(reader, -1, &entry) != zip_result::Ok || entry.index != static_cast<int>(added.size()))
        std::abort();
    std::vector<std::uint8_t> buffer(1000);
    for (int i = 0; i < entry.index; ++i)
    {
        const Item& item = *added[static_cast<std::size_t>(i)];
        std::vector<std::uint8_t> back;
        ZipResult r;
        ZipEntry described{};
        if (unzip_get_item(reader, i, &described) != zip_result::Ok)
            std::abort();
        do
        {
            r = unzip_item_to_memory(reader, i, buffer.data(), static_cast<std::uint32_t>(buffer.size()));
            const std::size_t got =
                r == zip_result::MoreToUnzip ? buffer.size() : described.uncompressed_size - back.size();
            if (r == zip_result::Ok || r == zip_result::MoreToUnzip)
                back.insert(back.end(), buffer.begin(), buffer.begin() + static_cast<long>(got));
        } while (r == zip_result::MoreToUnzip);
        if (r != zip_result::Ok || (!item.folder && back != item.data) || (item.folder && !back.empty()))
            std::abort();
    }
    unzip_close(reader);
    zip_close(zip);
    return 0;
}
