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

// Input: a flags byte (bit 0: password, bits 1-2 both set: a large first item), then items of [name units][name: 2 bytes a unit][size: 2 bytes][data].
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
// Stretches an item past the size that is deflated in blocks on worker threads, so block
// joins and combined CRCs are fuzzed too: its bytes repeated, every repeat changed a little.
void stretch(Item& item, std::uint8_t seed)
{
    const std::size_t target = (256u << 10) + 1 + seed * 1031u;
    std::vector<std::uint8_t> big;
    big.reserve(target);
    for (std::uint8_t round = 0; big.size() < target; ++round)
        for (std::size_t i = 0; i < item.data.size() && big.size() < target; ++i)
            big.push_back(static_cast<std::uint8_t>(item.data[i] ^ (round & seed)));
    item.data = std::move(big);
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    setenv("LIRNO_ZIP_THREADS", "3", 0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const char* password = (data[0] & 1) ? "fuzz" : nullptr;
    std::vector<Item> items = parse(data, size);
    // One input in four has a large first item.
    if ((data[0] & 6) == 6 && !items.empty() && !items[0].folder && !items[0].data.empty())
        stretch(items[0], data[size - 1]);
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
