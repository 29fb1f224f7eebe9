// Reading an archive's text straight into its entries, without a JSON document in between.
#pragma once

#include "LocFormat/TextFiles.h"

#include <string>
#include <string_view>

namespace locformat::detail
{
// Same contract and messages as ParseArchive.
bool ReadArchiveText(std::string_view text, const std::string& name, FArchive& archive, std::string& error);
} // namespace locformat::detail
