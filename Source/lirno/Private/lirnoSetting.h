// The user's choices for the translation service. Only the type's default instance is used: the
// host creates it on first use, overlays the per-user "Engine" configuration and edits it in
// place on the settings page, so every reader sees a change at its next read.
#pragma once

#include "lirnoModel.h"

#include <string>

namespace lirno
{
inline constexpr const char* DefaultServiceHost = "https://translate.lirno.dev";

class UlirnoSetting
{
public:
    std::string Host = DefaultServiceHost;
    std::string API_KEY;
    ETranslatorType TranslatorProvider = ETranslatorType::Auto;
    bool TranslateAll = false;
    bool Auto_GatherText = true;
    bool Auto_CompileText = true;
    bool Auto_GenerateWordCountReport = true;
    bool AutoCheckUpdate = true;

    static const host::FStructInfo& StaticStruct();
    // The default instance, created by the host on first use; never copied.
    static UlirnoSetting* Get();
};
} // namespace lirno
