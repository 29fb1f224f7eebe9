// Applying the returned package: un-shift it in place and extract it over the localization
// folder, refusing any entry whose name would land outside that folder.
#include "Host.h"
#include "lirnoFileHelper.h"
#include "lirnoWidePath.h"
#include "zip.h"

namespace lirno
{
namespace
{
std::string EntryName(const ZipEntry& entry)
{
    std::size_t length = 0;
    while (length < std::size(entry.name) && entry.name[length] != 0)
    {
        ++length;
    }
    return FromWide(std::u16string_view(entry.name, length));
}
} // namespace

FApplyReport lirnoFileHelper::ApplyResultPackage(const std::string& processedFile)
{
    std::vector<std::uint8_t> bytes;
    host::File::ReadAll(processedFile, bytes);
    UnshiftResultPackage(bytes);
    host::File::WriteAll(processedFile, bytes);
    return ExtractResultPackage(processedFile);
}

void lirnoFileHelper::UnshiftResultPackage(std::span<std::uint8_t> bytes)
{
    ShiftBytes(bytes, static_cast<std::uint8_t>(256 - ResultShift));
}

FApplyReport lirnoFileHelper::ExtractResultPackage(const std::string& packageFile)
{
    FApplyReport report;
    ZipHandle* archive = unzip_open_file(ToWide(packageFile).c_str(), nullptr);
    if (!archive)
    {
        return report;
    }
    report.bOpened = true;
    unzip_set_base_dir(archive, ToWide(LocalizationFolder()).c_str());

    ZipEntry entry{};
    const bool counted = unzip_get_item(archive, -1, &entry) == zip_result::Ok;
    const std::int32_t count = counted ? entry.index : 0;
    if (!counted)
    {
        report.Failed.push_back("(the entry list)");
    }
    for (std::int32_t i = 0; i < count; ++i)
    {
        if (unzip_get_item(archive, i, &entry) != zip_result::Ok)
        {
            // Appended rather than concatenated: g++ 12 at -O3 reports a false -Wrestrict on "#" + string.
            report.Failed.push_back(std::string("#").append(std::to_string(i)));
            continue;
        }
        const std::string name = EntryName(entry);
        if (!IsContainedEntryName(name))
        {
            report.Refused.push_back(name);
            continue;
        }
        if (unzip_item_to_file(archive, i, entry.name) != zip_result::Ok)
        {
            report.Failed.push_back(name);
        }
    }
    zip_close_any(archive);
    return report;
}
} // namespace lirno
