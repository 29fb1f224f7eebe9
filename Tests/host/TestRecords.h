// Small reflected records for the host's converter and configuration tests.
#pragma once

#include "Reflection.h"

#include <cstdint>
#include <string>
#include <vector>

namespace host::test
{
enum class EColour : std::int32_t
{
    Red,
    Green,
    DeepBlue,
};

struct FInner
{
    std::vector<std::int32_t> Ids;
    std::int32_t Count = 0;
    std::string Text;
    double Fraction = 0;

    static const FStructInfo& StaticStruct();
};

struct FOuter
{
    std::int32_t Status = 0;
    std::string Msg;
    FInner Content;

    static const FStructInfo& StaticStruct();
};

// A configuration-backed object with every scalar kind.
struct FTestSettings
{
    std::string Host = "https://example.invalid";
    std::string Key;
    EColour Colour = EColour::Green;
    bool Enabled = true;
    std::int32_t Retries = 3;
    double Ratio = 0.5;

    static const FStructInfo& StaticStruct();
};

const FEnumInfo& ColourEnum();
} // namespace host::test
