// Names shared by the editor, which writes the step configurations, and the step process, which
// reads them. Docs/LocalizationFormats.md describes the files.
#pragma once

#include <string_view>

namespace host::locconfig
{
// Target, culture and file names become path components; one that could reach outside its
// folder ("..", "a/b") is refused wherever names are read.
inline bool IsPlainFileName(std::string_view name)
{
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos;
}

// The project's (or engine's) Config/DefaultEditor.ini: the target set and each target's settings.
inline constexpr const char* SettingsFileName = "DefaultEditor.ini";
inline constexpr const char* TargetListSection = "Localization";
inline constexpr const char* TargetListKey = "Target";              // repeated, in target order
inline constexpr const char* TargetSectionPrefix = "Localization."; // + target name
inline constexpr const char* NativeCultureIndexKey = "NativeCultureIndex";
inline constexpr const char* CultureKey = "Culture";           // repeated, in culture order
inline constexpr const char* StringTablesKey = "StringTables"; // repeated; folders or CSV files

// A step configuration.
inline constexpr const char* CommonSection = "CommonSettings";
inline constexpr const char* TargetKey = "Target";
inline constexpr const char* SourcePathKey = "SourcePath";
inline constexpr const char* DestinationPathKey = "DestinationPath";
inline constexpr const char* ManifestNameKey = "ManifestName";
inline constexpr const char* ArchiveNameKey = "ArchiveName";
inline constexpr const char* NativeCultureKey = "NativeCulture";
// CultureKey again, repeated.
inline constexpr const char* StepSection = "Step";
inline constexpr const char* StepNameKey = "Name";
inline constexpr const char* ResourceNameKey = "ResourceName"; // compile step
inline constexpr const char* ReportNameKey = "ReportName";     // report step
// StringTablesKey again, gather step.

inline constexpr const char* GatherTextStepName = "GatherText";
inline constexpr const char* CompileTextStepName = "CompileText";
inline constexpr const char* WordCountReportStepName = "WordCountReport";

// Folders relative to the project (or engine) folder.
inline constexpr const char* LocalizationFolder = "Content/Localization";
inline constexpr const char* StringTablesFolder = "Content/StringTables";
} // namespace host::locconfig
