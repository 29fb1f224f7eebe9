#include "StringTables.h"

#include "LocalizationConfigKeys.h"
#include "StepOutput.h"

#include "LocFormat/Csv.h"
#include "LocFormat/FileIo.h"
#include "LocFormat/Utf8.h"

#include <Util/AsciiCase.h>
#include <algorithm>
#include <map>
#include <optional>

namespace locstep
{
namespace fs = std::filesystem;

namespace
{
// Anything named *.csv that is not a folder is meant as a string table; one that cannot be read
// (a dangling link, a device) must fail the step rather than silently drop its texts.
bool IsCsvFile(const fs::directory_entry& entry)
{
    std::error_code ec;
    return !entry.is_directory(ec) && util::ToLowerAscii(entry.path().extension().string()) == ".csv";
}

bool IsExcluded(const fs::path& folder, const std::vector<fs::path>& excluded)
{
    const fs::path normal = folder.lexically_normal();
    return std::any_of(excluded.begin(), excluded.end(), [&](const fs::path& e) { return normal == e; });
}

// Folders whose files are outputs, not string tables.
std::vector<fs::path> ExcludedFolders(const FStepConfig& config)
{
    std::vector<fs::path> folders;
    for (const fs::path& folder :
         {config.BaseDir / host::locconfig::LocalizationFolder, config.SourceDir, config.DestinationDir})
    {
        folders.push_back((folder / "").lexically_normal().parent_path());
    }
    return folders;
}

bool ListStringTableFiles(const FStepConfig& config, std::vector<fs::path>& files, std::string& error)
{
    const std::vector<fs::path> excluded = ExcludedFolders(config);
    for (const fs::path& configured : config.StringTables)
    {
        std::error_code ec;
        if (!fs::exists(configured, ec))
        {
            error = config.Path + ": string table path " + configured.string() + " does not exist";
            return false;
        }
        if (!fs::is_directory(configured, ec))
        {
            files.push_back(configured);
            continue;
        }
        std::vector<fs::path> found;
        fs::recursive_directory_iterator it(configured, ec);
        for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
        {
            if (it->is_directory(ec) && IsExcluded(it->path(), excluded))
            {
                it.disable_recursion_pending();
            }
            else if (IsCsvFile(*it))
            {
                found.push_back(it->path());
            }
        }
        if (ec)
        {
            error = configured.string() + ": cannot be searched (" + ec.message() + ")";
            return false;
        }
        std::sort(found.begin(), found.end());
        files.insert(files.end(), found.begin(), found.end());
    }
    return true;
}

struct FColumns
{
    std::optional<std::size_t> Namespace;
    std::size_t Key = 0;
    std::size_t Source = 0;
};

bool FindColumns(const locformat::FCsvRow& header, const std::string& name, FColumns& columns,
                 std::string& error)
{
    std::optional<std::size_t> key;
    std::optional<std::size_t> source;
    for (std::size_t i = 0; i < header.Fields.size(); ++i)
    {
        const std::string column = util::ToLowerAscii(header.Fields[i]);
        if (column == "namespace")
        {
            columns.Namespace = i;
        }
        else if (column == "key")
        {
            key = i;
        }
        else if (column == "source")
        {
            source = i;
        }
    }
    if (!key || !source)
    {
        error = name + ":" + std::to_string(header.Line) + ": the header needs the columns Key and Source";
        return false;
    }
    columns.Key = *key;
    columns.Source = *source;
    return true;
}

// Texts collected so far, keyed by namespace and key, so that a repeated text is merged and a
// conflicting one reported with both places.
class FTextCollector
{
public:
    explicit FTextCollector(std::vector<locformat::FManifestEntry>& entries) : Entries(entries) {}

    bool Add(locformat::FManifestEntry entry, std::string& error)
    {
        const auto [it, inserted] = Index.try_emplace({entry.Namespace, entry.Key}, Entries.size());
        if (inserted)
        {
            Entries.push_back(std::move(entry));
            return true;
        }
        locformat::FManifestEntry& earlier = Entries[it->second];
        if (earlier.Source != entry.Source)
        {
            error = entry.Origins.front() + ": text \"" + entry.Namespace + "\" / \"" + entry.Key +
                    "\" has a different source text at " + earlier.Origins.front();
            return false;
        }
        earlier.Origins.push_back(entry.Origins.front());
        return true;
    }

private:
    std::vector<locformat::FManifestEntry>& Entries;
    std::map<std::pair<std::string, std::string>, std::size_t> Index;
};

bool ReadStringTable(const FStepConfig& config, const fs::path& file, FTextCollector& collector,
                     std::string& error)
{
    const std::string name = file.string();
    std::string text;
    if (!locformat::ReadFileText(name, text, error))
    {
        return false;
    }
    if (const auto bad = locformat::FindInvalidUtf8(text))
    {
        const auto line = 1 + std::count(text.begin(), text.begin() + static_cast<long>(*bad), '\n');
        error = name + ":" + std::to_string(line) + ": not valid UTF-8 text";
        return false;
    }
    std::vector<locformat::FCsvRow> rows;
    FColumns columns;
    if (!locformat::ParseCsv(text, name, rows, error))
    {
        return false;
    }
    if (rows.empty())
    {
        Warning(name + ": empty string table");
        return true;
    }
    if (!FindColumns(rows.front(), name, columns, error))
    {
        return false;
    }
    const std::string relative = file.lexically_relative(config.BaseDir).generic_string();
    const std::string defaultNamespace = file.stem().string();
    std::size_t count = 0;
    for (auto row = rows.begin() + 1; row != rows.end(); ++row)
    {
        const std::string where = name + ":" + std::to_string(row->Line);
        if (row->Fields.size() != rows.front().Fields.size())
        {
            error = where + ": " + std::to_string(row->Fields.size()) + " cells where the header has " +
                    std::to_string(rows.front().Fields.size());
            return false;
        }
        locformat::FManifestEntry entry;
        entry.Namespace = columns.Namespace ? row->Fields[*columns.Namespace] : defaultNamespace;
        entry.Key = row->Fields[columns.Key];
        entry.Source = row->Fields[columns.Source];
        entry.Origins.push_back(relative + ":" + std::to_string(row->Line));
        if (entry.Key.empty())
        {
            error = where + ": empty key";
            return false;
        }
        if (entry.Source.empty())
        {
            Warning(where + ": text \"" + entry.Key + "\" has no source text and is left out");
            continue;
        }
        if (!collector.Add(std::move(entry), error))
        {
            return false;
        }
        ++count;
    }
    Progress("Read " + std::to_string(count) + " texts from " + relative);
    return true;
}
} // namespace

bool GatherStringTables(const FStepConfig& config, std::vector<locformat::FManifestEntry>& entries,
                        std::string& error)
{
    std::vector<fs::path> files;
    if (!ListStringTableFiles(config, files, error))
    {
        return false;
    }
    FTextCollector collector(entries);
    for (const fs::path& file : files)
    {
        if (!ReadStringTable(config, file, collector, error))
        {
            return false;
        }
    }
    return true;
}
} // namespace locstep
