#include "commands.h"

#include "text.h"
#include "zip.h"

#include <cinttypes>
#include <cstdio>
#include <iostream>

namespace ziptool
{
namespace
{
void report(const std::string& name, const std::string& message)
{
    std::cerr << name << ": " << message << '\n';
}

// Whole seconds since 1970, rounded down, from 100 ns units since 1601.
long long unix_seconds(ZipFileTime time)
{
    const long long ticks = static_cast<long long>(time) - 116444736000000000LL;
    return ticks >= 0 ? ticks / 10000000 : -((-ticks + 9999999) / 10000000);
}
} // namespace

bool parse_item(const std::string& text, ItemArgument& item)
{
    const auto equals = text.find('=');
    if (equals != std::string::npos)
    {
        // Empty halves go to the engine, which reports them like any other bad item.
        item = {text.substr(0, equals), text.substr(equals + 1), false};
        return true;
    }
    if (!text.empty() && text.back() == '/')
    {
        item = {text, {}, true};
        return true;
    }
    return false;
}

int create_archive(const std::string& archive, const std::string* password,
                   const std::vector<std::string>& items)
{
    std::vector<ItemArgument> arguments;
    for (const auto& text : items)
    {
        ItemArgument item;
        if (!parse_item(text, item))
        {
            std::cerr << "ziptool: an ITEM is NAME=PATH or NAME/: " << text << '\n';
            return 2;
        }
        arguments.push_back(item);
    }
    ZipHandle* handle = zip_create_file(widen(archive).c_str(), password ? password->c_str() : nullptr);
    if (handle == nullptr)
    {
        report(archive, describe_writer_result(zip_last_result()));
        return 1;
    }
    bool ok = true;
    for (const auto& item : arguments)
    {
        const std::u16string name = widen(item.name);
        const ZipResult result = item.folder ? zip_add_folder(handle, name.c_str())
                                             : zip_add_file(handle, name.c_str(), widen(item.path).c_str());
        if (result != zip_result::Ok)
        {
            report(item.name, describe_writer_result(result));
            ok = false;
        }
    }
    if (const ZipResult closed = zip_close(handle); closed != zip_result::Ok)
    {
        report(archive, describe_writer_result(closed));
        ok = false;
    }
    return ok ? 0 : 1;
}

int list_archive(const std::string& archive)
{
    ZipHandle* handle = unzip_open_file(widen(archive).c_str(), nullptr);
    if (handle == nullptr)
    {
        report(archive, describe_reader_result(unzip_last_result()));
        return 1;
    }
    ZipEntry entry{};
    bool ok = true;
    const ZipResult counted = unzip_get_item(handle, -1, &entry);
    const int count = counted == zip_result::Ok ? entry.index : 0;
    if (counted != zip_result::Ok)
    {
        report(archive, describe_reader_result(counted));
        ok = false;
    }
    std::printf("items: %d\n", count);
    for (int i = 0; i < count; ++i)
    {
        const ZipResult result = unzip_get_item(handle, i, &entry);
        if (result != zip_result::Ok)
        {
            report(std::to_string(i), describe_reader_result(result));
            ok = false;
            continue;
        }
        std::printf("%d\t0x%08x\t%" PRIu32 "\t%" PRIu32 "\t%lld\t%s\n", i, entry.attributes,
                    entry.compressed_size, entry.uncompressed_size, unix_seconds(entry.write_time),
                    narrow(entry.name).c_str());
    }
    unzip_close(handle);
    return ok ? 0 : 1;
}

int extract_archive(const std::string& archive, const std::string& folder, const std::string* password)
{
    ZipHandle* handle = unzip_open_file(widen(archive).c_str(), password ? password->c_str() : nullptr);
    if (handle == nullptr)
    {
        report(archive, describe_reader_result(unzip_last_result()));
        return 1;
    }
    bool ok = true;
    if (const ZipResult based = unzip_set_base_dir(handle, widen(folder).c_str()); based != zip_result::Ok)
    {
        report(folder, describe_reader_result(based));
        unzip_close(handle);
        return 1;
    }
    ZipEntry entry{};
    const int count = unzip_get_item(handle, -1, &entry) == zip_result::Ok ? entry.index : 0;
    for (int i = 0; i < count; ++i)
    {
        ZipResult result = unzip_get_item(handle, i, &entry);
        const std::string name = result == zip_result::Ok ? narrow(entry.name) : std::to_string(i);
        if (result == zip_result::Ok)
            result = unzip_item_to_file(handle, i, entry.name);
        if (result != zip_result::Ok)
        {
            report(name, describe_reader_result(result));
            ok = false;
        }
    }
    unzip_close(handle);
    return ok ? 0 : 1;
}
} // namespace ziptool
