#include "JsonDocument.h"

#include "LocFormat/Utf8.h"

#include <exception>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace host
{
namespace
{
using Json = nlohmann::ordered_json;

// Far deeper than any record nests. Beyond it a document is hostile: nesting costs memory per
// level, and copying or printing a document recurses once per level.
constexpr std::size_t MaxDepth = 512;
// Far more values than any record holds; a body of tiny values ("[0,0,0,...") would otherwise
// take some twenty times its own size.
constexpr std::size_t MaxValues = std::size_t{1} << 20;

// Builds the document from the parser's events; like the library's own builder, except that
// strings and keys are moved out of the parser's buffer (its interface allows that), documents
// beyond the limits above are refused, and a container is assembled whole before it takes its
// place: an object grown member by member copies its earlier members (deeply) at every growth
// and looks each new name up among all the earlier ones.
class FDocumentBuilder
{
public:
    explicit FDocumentBuilder(Json& root) : Root(root) {}

    bool null() { return Add(nullptr); }
    bool boolean(bool value) { return Add(value); }
    bool number_integer(Json::number_integer_t value) { return Add(value); }
    bool number_unsigned(Json::number_unsigned_t value) { return Add(value); }
    bool number_float(Json::number_float_t value, const Json::string_t&) { return Add(value); }
    bool string(Json::string_t& value) { return Add(std::move(value)); }
    bool binary(Json::binary_t& value) { return Add(std::move(value)); }

    bool start_object(std::size_t) { return Open(true); }
    bool key(Json::string_t& name)
    {
        Frames.back().Members.emplace_back(std::move(name), nullptr);
        return true;
    }
    bool end_object()
    {
        Json object = ToObject(std::move(Frames.back().Members));
        Frames.pop_back();
        Place(std::move(object));
        return true;
    }
    bool start_array(std::size_t) { return Open(false); }
    bool end_array()
    {
        Json array(std::move(Frames.back().Items));
        Frames.pop_back();
        Place(std::move(array));
        return true;
    }

    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& error)
    {
        // The library's message without its "[json.exception.parse_error.101] " tag and the
        // text it quotes ("; last read: ..."), which may be long: line and column say where.
        std::string what = error.what();
        if (const auto tagEnd = what.find("] "); tagEnd != std::string::npos)
        {
            what.erase(0, tagEnd + 2);
        }
        if (const auto quoted = what.find("; last read: "); quoted != std::string::npos)
        {
            what.erase(quoted);
        }
        Reason = std::move(what);
        return false;
    }

    std::string Reason; // why the parse stopped

private:
    // A container the parser is inside of.
    struct FFrame
    {
        bool IsObject = false;
        Json::array_t Items;
        std::vector<std::pair<std::string, Json>> Members; // in order, repeated names included
    };

    bool Open(bool isObject)
    {
        if (Frames.size() >= MaxDepth)
        {
            Reason = "nested deeper than " + std::to_string(MaxDepth) + " levels";
            return false;
        }
        if (++Values > MaxValues)
        {
            Reason = "more than " + std::to_string(MaxValues) + " values";
            return false;
        }
        Frames.emplace_back().IsObject = isObject;
        return true;
    }
    template <class T> bool Add(T&& value)
    {
        if (++Values > MaxValues)
        {
            Reason = "more than " + std::to_string(MaxValues) + " values";
            return false;
        }
        Place(Json(std::forward<T>(value)));
        return true;
    }
    // Places a finished value where the parser is: the root, an array's end, or the member
    // after the last key.
    void Place(Json value)
    {
        if (Frames.empty())
        {
            Root = std::move(value);
        }
        else if (Frames.back().IsObject)
        {
            Frames.back().Members.back().second = std::move(value);
        }
        else
        {
            Frames.back().Items.push_back(std::move(value));
        }
    }
    // A repeated name keeps its first place and takes the last value, as assigning the members
    // one by one would.
    static Json ToObject(std::vector<std::pair<std::string, Json>> members)
    {
        Json::object_t object;
        auto& items = static_cast<Json::object_t::Container&>(object);
        items.reserve(members.size()); // no reallocation: the names below stay where they are
        std::unordered_map<std::string_view, std::size_t> places;
        places.reserve(members.size());
        for (auto& [name, value] : members)
        {
            if (const auto it = places.find(name); it != places.end())
            {
                items[it->second].second = std::move(value);
                continue;
            }
            items.emplace_back(std::move(name), std::move(value));
            places.emplace(items.back().first, items.size() - 1);
        }
        return Json(std::move(object));
    }

    Json& Root;
    std::vector<FFrame> Frames;
    std::size_t Values = 0;
};

std::optional<Json> Parse(std::string_view text, std::string* reason)
{
    Json root;
    FDocumentBuilder builder(root);
    if (!Json::sax_parse(text.begin(), text.end(), &builder, nlohmann::detail::input_format_t::json, true))
    {
        if (reason)
        {
            *reason = std::move(builder.Reason);
        }
        return std::nullopt;
    }
    return std::optional<Json>(std::move(root));
}

// The text with each byte that is not part of well-formed UTF-8 replaced by U+FFFD.
std::string ReplaceInvalidUtf8(std::string_view text, std::size_t firstInvalid)
{
    std::string replaced(text.substr(0, firstInvalid));
    for (std::size_t offset = firstInvalid; offset < text.size();)
    {
        const std::size_t start = offset;
        if (locformat::DecodeUtf8(text, offset) == U'\uFFFD')
        {
            replaced += "\xEF\xBF\xBD";
        }
        else
        {
            replaced.append(text.substr(start, offset - start));
        }
    }
    return replaced;
}
} // namespace

std::optional<Json> ParseJsonDocument(std::string_view text, std::string* reason)
{
    try
    {
        if (auto document = Parse(text, reason))
        {
            return document;
        }
        // The parser refuses text that is not UTF-8. A stray byte in a service's message must
        // cost that character, not the whole answer.
        if (const auto invalid = locformat::FindInvalidUtf8(text))
        {
            return Parse(ReplaceInvalidUtf8(text, *invalid), reason);
        }
    }
    catch (const std::exception&)
    {
        if (reason)
        {
            *reason = "too large to hold";
        }
        // A document that cannot be held is as unreadable as a malformed one.
    }
    return std::nullopt;
}
} // namespace host
