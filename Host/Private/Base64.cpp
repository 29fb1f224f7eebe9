#include "Paths.h"

#include <Util/Base64.h>

#include <exception>

namespace host
{
std::string Base64Encode(std::span<const std::uint8_t> bytes)
{
    return util::Base64Encode(bytes);
}

std::string Base64Encode(const std::string& text)
{
    return util::Base64Encode(std::string_view(text));
}

bool Base64Decode(const std::string& text, std::vector<std::uint8_t>& bytes)
{
    try
    {
        bytes.resize(util::Base64DecodedCapacity(text.size()));
    }
    catch (const std::exception&)
    {
        // Text too large to decode beside itself fails like text that is not base64.
        bytes.clear();
        return false;
    }
    std::size_t written = 0;
    const bool ok = util::Base64DecodeTo(text, bytes.data(), written);
    bytes.resize(written);
    return ok;
}

bool Base64DecodeInPlace(std::string& text)
{
    return util::Base64DecodeInPlace(text);
}
} // namespace host
