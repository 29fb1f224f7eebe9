#include "StepConfig.h"

#include "Config.h"
#include "LocalizationConfigKeys.h"

#include <algorithm>
#include <cctype>
#include <optional>

namespace locstep
{
namespace keys = host::locconfig;
namespace fs = std::filesystem;

const char* StepName(EStep step)
{
    switch (step)
    {
    case EStep::GatherText:
        return keys::GatherTextStepName;
    case EStep::CompileText:
        return keys::CompileTextStepName;
    case EStep::WordCountReport:
        return keys::WordCountReportStepName;
    }
    return "?";
}

namespace
{
bool IsCultureName(const std::string& name)
{
    return !name.empty() &&
           std::all_of(name.begin(), name.end(),
                       [](char c)
                       { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-' || c == '_'; });
}

class FConfigReader
{
public:
    FConfigReader(const std::string& path, const host::FIniDocument& document, std::string& error)
        : Path(path), Document(document), Error(error)
    {
    }

    std::optional<std::string> Required(const char* section, const char* key)
    {
        const auto value = Document.Get(section, key);
        if (!value || value->empty())
        {
            Error = Path + ": [" + section + "] " + key + " is missing";
            return std::nullopt;
        }
        return value;
    }

    std::optional<std::string> FileName(const char* section, const char* key)
    {
        auto value = Required(section, key);
        if (value && !keys::IsPlainFileName(*value))
        {
            Error = Path + ": [" + section + "] " + key + " \"" + *value + "\" is not a plain file name";
            return std::nullopt;
        }
        return value;
    }

    bool Fail(const std::string& message)
    {
        Error = Path + ": " + message;
        return false;
    }

    const std::string& Path;
    const host::FIniDocument& Document;
    std::string& Error;
};

std::optional<EStep> ParseStepName(const std::string& name)
{
    for (const EStep step : {EStep::GatherText, EStep::CompileText, EStep::WordCountReport})
    {
        if (name == StepName(step))
        {
            return step;
        }
    }
    return std::nullopt;
}

bool ReadCultures(FConfigReader& reader, FStepConfig& config)
{
    config.Cultures = reader.Document.GetAll(keys::CommonSection, keys::CultureKey);
    if (config.Cultures.empty())
    {
        return reader.Fail(std::string("[") + keys::CommonSection + "] lists no " + keys::CultureKey);
    }
    for (std::size_t i = 0; i < config.Cultures.size(); ++i)
    {
        const std::string& culture = config.Cultures[i];
        if (!IsCultureName(culture))
        {
            return reader.Fail("culture \"" + culture + "\" is not a culture name");
        }
        if (std::find(config.Cultures.begin(), config.Cultures.begin() + static_cast<long>(i), culture) !=
            config.Cultures.begin() + static_cast<long>(i))
        {
            return reader.Fail("culture \"" + culture + "\" is listed twice");
        }
    }
    const auto native = reader.Required(keys::CommonSection, keys::NativeCultureKey);
    if (!native)
    {
        return false;
    }
    if (std::find(config.Cultures.begin(), config.Cultures.end(), *native) == config.Cultures.end())
    {
        return reader.Fail("native culture \"" + *native + "\" is not among the cultures");
    }
    config.NativeCulture = *native;
    return true;
}

bool ReadStepSettings(FConfigReader& reader, FStepConfig& config)
{
    switch (config.Step)
    {
    case EStep::GatherText:
        for (const std::string& entry : reader.Document.GetAll(keys::StepSection, keys::StringTablesKey))
        {
            config.StringTables.push_back(config.BaseDir / entry);
        }
        if (config.StringTables.empty())
        {
            return reader.Fail(std::string("[") + keys::StepSection + "] lists no " + keys::StringTablesKey);
        }
        return true;
    case EStep::CompileText:
        if (const auto name = reader.FileName(keys::StepSection, keys::ResourceNameKey))
        {
            config.ResourceName = *name;
            return true;
        }
        return false;
    case EStep::WordCountReport:
        if (const auto name = reader.FileName(keys::StepSection, keys::ReportNameKey))
        {
            config.ReportName = *name;
            return true;
        }
        return false;
    }
    return false;
}
} // namespace

bool LoadStepConfig(const std::string& path, const fs::path& baseDir, FStepConfig& config, std::string& error)
{
    config = FStepConfig{};
    config.Path = path;
    config.BaseDir = baseDir;
    std::error_code ec;
    if (!fs::is_regular_file(path, ec))
    {
        error = path + ": the configuration file does not exist";
        return false;
    }
    const auto document = host::FIniDocument::Load(path);
    if (!document)
    {
        error = path + ": the configuration file cannot be read";
        return false;
    }
    FConfigReader reader(path, *document, error);
    const auto stepName = reader.Required(keys::StepSection, keys::StepNameKey);
    if (!stepName)
    {
        return false;
    }
    const auto step = ParseStepName(*stepName);
    if (!step)
    {
        return reader.Fail(std::string("[") + keys::StepSection + "] " + keys::StepNameKey + " \"" +
                           *stepName + "\" is not GatherText, CompileText or WordCountReport");
    }
    config.Step = *step;
    const auto target = reader.FileName(keys::CommonSection, keys::TargetKey);
    const auto source = target ? reader.Required(keys::CommonSection, keys::SourcePathKey) : std::nullopt;
    const auto destination =
        source ? reader.Required(keys::CommonSection, keys::DestinationPathKey) : std::nullopt;
    const auto manifest =
        destination ? reader.FileName(keys::CommonSection, keys::ManifestNameKey) : std::nullopt;
    const auto archive = manifest ? reader.FileName(keys::CommonSection, keys::ArchiveNameKey) : std::nullopt;
    if (!archive)
    {
        return false;
    }
    config.Target = *target;
    config.SourceDir = baseDir / *source;
    config.DestinationDir = baseDir / *destination;
    config.ManifestName = *manifest;
    config.ArchiveName = *archive;
    return ReadCultures(reader, config) && ReadStepSettings(reader, config);
}
} // namespace locstep
