// Archives are read as a stream of JSON events straight into entries: archives are the largest
// files of a project (megabytes each) and are read on every job, so no document is built for
// them. Members the format does not interpret are captured whole as JSON text.
#include "ArchiveReader.h"

#include "JsonText.h"

#include <array>
#include <optional>
#include <unordered_set>
#include <utility>

namespace locformat::detail
{
namespace
{
using Json = detail::Json;

class FArchiveEvents final : public nlohmann::json_sax<Json>
{
public:
    FArchiveEvents(const std::string& name, FArchive& archive) : Name(name), Archive(archive) {}

    bool null() override { return Value(nullptr, Json(nullptr)); }
    bool boolean(bool value) override { return Value(nullptr, Json(value)); }
    bool number_integer(number_integer_t value) override { return Value(nullptr, Json(value)); }
    bool number_unsigned(number_unsigned_t value) override { return Value(nullptr, Json(value)); }
    bool number_float(number_float_t value, const string_t&) override { return Value(nullptr, Json(value)); }
    bool binary(binary_t&) override { return Fail(Name + ": malformed JSON (binary value)"); }
    bool string(string_t& value) override { return Value(&value, Json()); }

    bool start_object(std::size_t) override
    {
        if (Captured)
        {
            return Captured->start_object(static_cast<std::size_t>(-1)) && Enter();
        }
        if (SkipDepth > 0)
        {
            return Skip();
        }
        switch (Level)
        {
        case 0:
            return Enter();
        case 1:
            return RootContainer(true);
        case 2:
            Entry = FArchiveEntry{};
            Present = {};
            return Enter();
        default:
            return CaptureMember(true);
        }
    }

    bool end_object() override
    {
        if (Captured)
        {
            return Captured->end_object() && LeaveCapture();
        }
        if (SkipDepth > 0)
        {
            --SkipDepth;
            return true;
        }
        --Level;
        if (Level == 2 && bInEntries)
        {
            return FinishEntry();
        }
        return true;
    }

    bool start_array(std::size_t) override
    {
        if (Captured)
        {
            return Captured->start_array(static_cast<std::size_t>(-1)) && Enter();
        }
        if (SkipDepth > 0)
        {
            return Skip();
        }
        switch (Level)
        {
        case 0:
            return Fail(Name + ": the top level is not a JSON object");
        case 1:
            return RootContainer(false);
        case 2:
            return Fail(Where() + ": not a JSON object");
        default:
            return CaptureMember(false);
        }
    }

    bool end_array() override
    {
        if (Captured)
        {
            return Captured->end_array() && LeaveCapture();
        }
        if (SkipDepth > 0)
        {
            --SkipDepth;
            return true;
        }
        --Level;
        bInEntries = false;
        return true;
    }

    bool key(string_t& name) override
    {
        if (Captured)
        {
            return Captured->key(name);
        }
        if (SkipDepth > 0)
        {
            return true;
        }
        if (Level == 1)
        {
            RootMember = name;
        }
        else if (Level == 3)
        {
            Member = std::move(name);
        }
        return true;
    }

    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& failure) override
    {
        return Fail(Name + ": malformed JSON (" + failure.what() + ")");
    }

    // The checks that need the whole document: the format version may come last.
    bool Finish(std::string& error)
    {
        if (!Error.empty())
        {
            error = Error;
            return false;
        }
        if (!bVersionSeen)
        {
            error = Name + ": \"FormatVersion\" is missing or not an integer";
            return false;
        }
        if (Version != TextFileFormatVersion)
        {
            error = Name + ": unsupported \"FormatVersion\" " + std::to_string(Version);
            return false;
        }
        return true;
    }

    const std::string& FirstError() const { return Error; }

private:
    enum EField
    {
        Namespace,
        Key,
        Source,
        Translation,
        FieldCount
    };

    bool Enter()
    {
        ++Level;
        return true;
    }

    bool Fail(std::string message)
    {
        if (Error.empty())
        {
            Error = std::move(message);
        }
        return false;
    }

    std::string Where() const { return EntryLocation(Name, Archive.Entries.size()); }

    // A value the format does not read (a root member it does not know): passed over whole.
    bool Skip()
    {
        ++SkipDepth;
        return true;
    }

    bool RootContainer(bool bObject)
    {
        if (RootMember == "Entries")
        {
            if (bObject)
            {
                return Fail(Name + ": \"Entries\" is not an array");
            }
            bInEntries = true;
            return Enter();
        }
        if (RootMember == "Target" || RootMember == "Culture")
        {
            return Fail(Name + ": \"" + RootMember + "\" is not a string");
        }
        if (RootMember == "FormatVersion")
        {
            bVersionSeen = false;
        }
        return Skip();
    }

    bool CaptureMember(bool bObject)
    {
        if (FieldOf(Member))
        {
            return Fail(Where() + ": \"" + Member + "\" is not a string");
        }
        CapturedValue = Json();
        Captured.emplace(CapturedValue, false);
        CaptureDepth = Level;
        const bool started = bObject ? Captured->start_object(static_cast<std::size_t>(-1))
                                     : Captured->start_array(static_cast<std::size_t>(-1));
        return started && Enter();
    }

    bool LeaveCapture()
    {
        --Level;
        if (Level == CaptureDepth)
        {
            Captured.reset();
            KeepOtherMember(std::move(CapturedValue));
        }
        return true;
    }

    static std::optional<EField> FieldOf(std::string_view member)
    {
        static constexpr std::array<std::string_view, FieldCount> Names{"Namespace", "Key", "Source", "Translation"};
        for (std::size_t i = 0; i < Names.size(); ++i)
        {
            if (Names[i] == member)
            {
                return static_cast<EField>(i);
            }
        }
        return std::nullopt;
    }

    void KeepOtherMember(const Json& value)
    {
        // Parsed text is valid UTF-8, so dumping it cannot throw. A repeated member keeps its last value.
        std::string text = value.dump();
        for (auto& [member, kept] : Entry.OtherFields)
        {
            if (member == Member)
            {
                kept = std::move(text);
                return;
            }
        }
        Entry.OtherFields.emplace_back(Member, std::move(text));
    }

    // A scalar value (`text` for strings, else `value`) wherever it appears.
    bool Value(string_t* text, Json value)
    {
        if (Captured)
        {
            return text ? Captured->string(*text) : ForwardScalar(std::move(value));
        }
        if (SkipDepth > 0)
        {
            return true;
        }
        switch (Level)
        {
        case 0:
            return Fail(Name + ": the top level is not a JSON object");
        case 1:
            return RootValue(text, value);
        case 2:
            return Fail(Where() + ": not a JSON object");
        default:
            return EntryValue(text, std::move(value));
        }
    }

    bool ForwardScalar(Json value)
    {
        switch (value.type())
        {
        case Json::value_t::null:
            return Captured->null();
        case Json::value_t::boolean:
            return Captured->boolean(value.get<bool>());
        case Json::value_t::number_integer:
            return Captured->number_integer(value.get<number_integer_t>());
        case Json::value_t::number_unsigned:
            return Captured->number_unsigned(value.get<number_unsigned_t>());
        default:
            return Captured->number_float(value.get<number_float_t>(), {});
        }
    }

    bool RootValue(string_t* text, const Json& value)
    {
        if (RootMember == "FormatVersion")
        {
            bVersionSeen = value.is_number_integer();
            Version = bVersionSeen ? value.get<long long>() : 0;
            return true;
        }
        if (RootMember == "Target" || RootMember == "Culture")
        {
            std::string& field = RootMember == "Target" ? Archive.Target : Archive.Culture;
            if (text)
            {
                field = std::move(*text);
                return true;
            }
            return value.is_null() || Fail(Name + ": \"" + RootMember + "\" is not a string");
        }
        if (RootMember == "Entries" && !value.is_null())
        {
            return Fail(Name + ": \"Entries\" is not an array");
        }
        return true;
    }

    bool EntryValue(string_t* text, Json value)
    {
        const auto field = FieldOf(Member);
        if (!field)
        {
            KeepOtherMember(text ? Json(std::move(*text)) : std::move(value));
            return true;
        }
        if (text)
        {
            std::string* targets[FieldCount] = {&Entry.Namespace, &Entry.Key, &Entry.Source, &Entry.Translation};
            *targets[*field] = std::move(*text);
            Present[*field] = true;
            return true;
        }
        if (value.is_null())
        {
            Present[*field] = false;
            return true;
        }
        return Fail(Where() + ": \"" + Member + "\" is not a string");
    }

    bool FinishEntry()
    {
        static constexpr const char* Required[] = {"Namespace", "Key", "Source"};
        for (std::size_t i = 0; i < std::size(Required); ++i)
        {
            if (!Present[i])
            {
                return Fail(Where() + ": \"" + Required[i] + "\" is missing");
            }
        }
        std::string id = Entry.Namespace;
        id.push_back('\0');
        id += Entry.Key;
        if (!Seen.insert(std::move(id)).second)
        {
            return Fail(Where() + ": duplicate text \"" + Entry.Namespace + "\" / \"" + Entry.Key + "\"");
        }
        Archive.Entries.push_back(std::move(Entry));
        return true;
    }

    const std::string& Name;
    FArchive& Archive;
    std::string Error;
    int Level = 0;           // containers open outside captured values
    int SkipDepth = 0;       // containers open inside a passed-over root member
    bool bInEntries = false;
    std::string RootMember;
    std::string Member;
    FArchiveEntry Entry;
    std::array<bool, FieldCount> Present{};
    std::unordered_set<std::string> Seen;
    bool bVersionSeen = false;
    long long Version = 0;
    Json CapturedValue;
    std::optional<nlohmann::detail::json_sax_dom_parser<Json>> Captured;
    int CaptureDepth = 0;
};
} // namespace

bool ReadArchiveText(std::string_view text, const std::string& name, FArchive& archive, std::string& error)
{
    archive = FArchive{};
    FArchiveEvents events(name, archive);
    try
    {
        const bool parsed = Json::sax_parse(text.begin(), text.end(), &events);
        if (!parsed && !events.FirstError().empty())
        {
            error = events.FirstError();
            return false;
        }
    }
    catch (const std::exception& failure)
    {
        error = name + ": malformed JSON (" + failure.what() + ")";
        return false;
    }
    return events.Finish(error);
}
} // namespace locformat::detail
