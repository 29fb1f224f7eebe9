// Target discovery: cultures, native cultures, file locations and the localization folder.
#include "AsciiCase.h"
#include "Host.h"
#include "lirnoFileHelper.h"

#include <algorithm>
#include <filesystem>
#include <optional>

namespace lirno
{
std::string lirnoFileHelper::JoinPath(std::string_view left, std::string_view right)
{
    std::string joined(left);
    const bool leftEndsWithSeparator = !left.empty() && (left.back() == '/' || left.back() == '\\');
    if (!left.empty() && !leftEndsWithSeparator && !(right.size() > 0 && right.front() == '/'))
    {
        joined += '/';
    }
    joined += right;
    return joined;
}

std::string lirnoFileHelper::LocalizationFolder()
{
    return JoinPath(host::Get().Paths().ProjectDir(), "Content/Localization");
}

std::string lirnoFileHelper::ProjectLockPath()
{
    return JoinPath(host::Get().Paths().ProjectSavedDir(), "lirno.lock");
}

std::string lirnoFileHelper::BackupArchivePath()
{
    return JoinPath(LocalizationFolder(), BackupArchiveName);
}

std::string lirnoFileHelper::ProcessedFilePath()
{
    return JoinPath(LocalizationFolder(), ProcessedFileName);
}

TTargetMap<std::vector<std::string>> lirnoFileHelper::GetTargetCultures()
{
    TTargetMap<std::vector<std::string>> cultures;
    for (const auto& target : host::Get().Localization().GameTargets())
    {
        cultures.Add(target->Name, target->SupportedCultures);
    }
    return cultures;
}

TTargetMap<std::string> lirnoFileHelper::GetNativeCultures()
{
    TTargetMap<std::string> natives;
    for (const auto& target : host::Get().Localization().GameTargets())
    {
        const auto index = target->NativeCultureIndex;
        if (index >= 0 && static_cast<std::size_t>(index) < target->SupportedCultures.size())
        {
            natives.Add(target->Name, target->SupportedCultures[static_cast<std::size_t>(index)]);
        }
    }
    return natives;
}

namespace
{
// Symbolic links are followed: a link inside the project that points elsewhere leads out.
bool IsWithinFolder(const std::string& path, const std::string& folder)
{
    std::error_code error;
    const auto inner = std::filesystem::weakly_canonical(path, error);
    const auto outer = std::filesystem::weakly_canonical(folder, error);
    if (error)
    {
        return false;
    }
    const auto relative = inner.lexically_relative(outer);
    return !relative.empty() && *relative.begin() != "..";
}

bool IsPlainFileName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." && name.find_first_of("/\\:") == std::string::npos &&
           std::none_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}
} // namespace

TResult<FTargetFiles> lirnoFileHelper::ResolveTargetFiles(const host::FLocalizationTarget& target)
{
    auto& h = host::Get();
    const std::string configPath = h.Localization().ConfigPath(target, host::ELocalizationStep::GatherText);
    const auto config = host::FIniDocument::Load(configPath);

    struct FRequiredKey
    {
        const char* Key;
        const char* Missing;
    };
    static constexpr FRequiredKey Keys[] = {
        {"SourcePath", "No source path specified."},
        {"DestinationPath", "No destination path specified."},
        {"ManifestName", "No manifest name specified."},
        {"ArchiveName", "No archive name specified."},
    };
    std::string values[4];
    for (std::size_t i = 0; i < 4; ++i)
    {
        std::optional<std::string> value;
        if (config)
        {
            value = config->Get("CommonSettings", Keys[i].Key);
        }
        if (!value)
        {
            host::Log(host::LogGeneral, host::EVerbosity::Error, Keys[i].Missing);
            return TResult<FTargetFiles>::Fail(Keys[i].Missing);
        }
        values[i] = std::move(*value);
    }

    // Engine targets keep their paths relative to the engine, the project's to the project.
    const std::string absoluteConfig = host::ConvertToAbsolutePath(configPath);
    const std::string engineConfigDir = host::ConvertToAbsolutePath(h.Paths().EngineConfigDir());
    const bool bEngine = host::StartsWithIgnoreCase(absoluteConfig, engineConfigDir);
    const std::string base = bEngine ? h.Paths().EngineDir() : h.Paths().ProjectDir();
    const std::string sourceFolder = JoinPath(base, values[0]);
    // What is packed leaves the machine: only the target's own files, inside its own tree.
    std::string refusal;
    if (!IsWithinFolder(sourceFolder, base))
    {
        refusal = "The source path " + values[0] + " leads outside the " + (bEngine ? "engine" : "project") + " folder.";
    }
    else if (!IsPlainFileName(values[2]) || !IsPlainFileName(values[3]))
    {
        refusal = "The manifest name " + values[2] + " and the archive name " + values[3] +
                  " must be plain file names.";
    }
    if (!refusal.empty())
    {
        host::Log(host::LogGeneral, host::EVerbosity::Error, refusal + " Target:[" + target.Name + "]");
        return TResult<FTargetFiles>::Fail(refusal);
    }
    return TResult<FTargetFiles>::Ok(FTargetFiles{sourceFolder, values[2], values[3]});
}

bool lirnoFileHelper::IsContainedEntryName(std::string_view name)
{
    if (name.empty() || name.front() == '/' || name.front() == '\\' ||
        name.find(':') != std::string_view::npos)
    {
        return false;
    }
    std::size_t start = 0;
    while (start <= name.size())
    {
        const std::size_t end = name.find_first_of("/\\", start);
        const std::string_view part =
            name.substr(start, end == std::string_view::npos ? name.npos : end - start);
        if (part == "..")
        {
            return false;
        }
        if (end == std::string_view::npos)
        {
            break;
        }
        start = end + 1;
    }
    return true;
}
} // namespace lirno
