#include "LocFormat/CompiledResource.h"

#include "LocFormat/FileIo.h"

namespace locformat
{
namespace
{
constexpr std::string_view Magic = "LIRNOTXT";

void PutU32(std::string& out, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
    {
        out += static_cast<char>((value >> shift) & 0xFF);
    }
}

void PutString(std::string& out, std::string_view text)
{
    PutU32(out, static_cast<std::uint32_t>(text.size()));
    out += text;
}

// Bounds-checked reading; the first shortfall sticks so callers check once at the end.
class FByteReader
{
public:
    explicit FByteReader(std::string_view bytes) : Bytes(bytes) {}

    std::uint32_t U32()
    {
        if (Bytes.size() - Offset < 4)
        {
            Truncated = true;
            Offset = Bytes.size();
            return 0;
        }
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i)
        {
            value |= static_cast<std::uint32_t>(static_cast<unsigned char>(Bytes[Offset + i])) << (8 * i);
        }
        Offset += 4;
        return value;
    }

    std::string String()
    {
        const std::uint32_t length = U32();
        if (Bytes.size() - Offset < length)
        {
            Truncated = true;
            Offset = Bytes.size();
            return {};
        }
        std::string text(Bytes.substr(Offset, length));
        Offset += length;
        return text;
    }

    std::size_t Remaining() const { return Bytes.size() - Offset; }
    bool Truncated = false;

private:
    std::string_view Bytes;
    std::size_t Offset = 0;
};
} // namespace

std::uint32_t HashSourceText(std::string_view text)
{
    std::uint32_t hash = 2166136261u;
    for (const char c : text)
    {
        hash ^= static_cast<unsigned char>(c);
        hash *= 16777619u;
    }
    return hash;
}

std::string SerializeCompiledResource(const FCompiledResource& resource)
{
    std::string out(Magic);
    PutU32(out, CompiledResourceFormatVersion);
    PutString(out, resource.Culture);
    PutU32(out, static_cast<std::uint32_t>(resource.Texts.size()));
    for (const FCompiledText& text : resource.Texts)
    {
        PutString(out, text.Namespace);
        PutString(out, text.Key);
        PutString(out, text.Text);
        PutU32(out, text.SourceHash);
    }
    return out;
}

bool ParseCompiledResource(std::string_view bytes, const std::string& name, FCompiledResource& resource,
                           std::string& error)
{
    resource = FCompiledResource{};
    if (!bytes.starts_with(Magic))
    {
        error = name + ": not a compiled text resource";
        return false;
    }
    FByteReader reader(bytes.substr(Magic.size()));
    const std::uint32_t version = reader.U32();
    if (!reader.Truncated && version != CompiledResourceFormatVersion)
    {
        error = name + ": unsupported format version " + std::to_string(version);
        return false;
    }
    resource.Culture = reader.String();
    const std::uint32_t count = reader.U32();
    // Each text takes at least 16 bytes, so a corrupt count cannot make us reserve gigabytes.
    if (!reader.Truncated && count > reader.Remaining() / 16)
    {
        error = name + ": text count " + std::to_string(count) + " exceeds the file";
        return false;
    }
    for (std::uint32_t i = 0; i < count && !reader.Truncated; ++i)
    {
        FCompiledText text;
        text.Namespace = reader.String();
        text.Key = reader.String();
        text.Text = reader.String();
        text.SourceHash = reader.U32();
        resource.Texts.push_back(std::move(text));
    }
    if (reader.Truncated)
    {
        error = name + ": truncated";
        return false;
    }
    if (reader.Remaining() != 0)
    {
        error = name + ": unexpected bytes after the last text";
        return false;
    }
    return true;
}

bool ReadCompiledResource(const std::string& path, FCompiledResource& resource, std::string& error)
{
    std::string bytes;
    return ReadFileText(path, bytes, error) && ParseCompiledResource(bytes, path, resource, error);
}

bool WriteCompiledResource(const std::string& path, const FCompiledResource& resource, std::string& error)
{
    return WriteFileAtomically(path, SerializeCompiledResource(resource), error);
}
} // namespace locformat
