// Where an archive entry's translation came from: the optional "Origin" member of the entry.
// Absent or "human" is a translator's work; "machine" or "machine:<provider>" is machine output
// awaiting review; "pseudo" is pseudo-localization, which stands in for a translation and is
// translated again like a missing one. Any other value is read as human work, so a mark this
// library does not know never causes a translation to be replaced.
#pragma once

#include "LocFormat/TextFiles.h"

#include <string>
#include <string_view>

namespace locformat
{
inline constexpr std::string_view OriginMember = "Origin";
inline constexpr std::string_view OriginHuman = "human";
inline constexpr std::string_view OriginMachine = "machine";
inline constexpr std::string_view OriginPseudo = "pseudo";

enum class ETranslationOrigin
{
    Human,
    Machine,
    Pseudo,
};

// The member's text ("machine:apertium"), empty when absent or not a string.
std::string GetOrigin(const FArchiveEntry& entry);
ETranslationOrigin GetOriginKind(const FArchiveEntry& entry);
// Sets the member, in place when present, else after the other members; empty removes it.
void SetOrigin(FArchiveEntry& entry, std::string_view origin);
// "machine:<provider>", or "machine" without a provider name.
std::string MachineOrigin(std::string_view provider);
} // namespace locformat
