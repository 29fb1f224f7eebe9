#include "JsonDocument.h"

#include <vector>

namespace host
{
namespace
{
using Json = nlohmann::ordered_json;

// Builds the document from the parser's events; like the library's own builder, except that
// strings and keys are moved out of the parser's buffer (its interface allows that).
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

    bool start_object(std::size_t)
    {
        Open(Json::object());
        return true;
    }
    bool key(Json::string_t& name)
    {
        PendingMember = &(*Stack.back())[std::move(name)];
        return true;
    }
    bool end_object() { return Close(); }
    bool start_array(std::size_t)
    {
        Open(Json::array());
        return true;
    }
    bool end_array() { return Close(); }

    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) { return false; }

private:
    // Places a value where the parser is: the root, the member after a key, or an array's end.
    Json* Place(Json value)
    {
        if (Stack.empty())
        {
            Root = std::move(value);
            return &Root;
        }
        if (Stack.back()->is_array())
        {
            Stack.back()->push_back(std::move(value));
            return &Stack.back()->back();
        }
        *PendingMember = std::move(value);
        return PendingMember;
    }
    template <class T> bool Add(T&& value)
    {
        Place(Json(std::forward<T>(value)));
        return true;
    }
    void Open(Json container) { Stack.push_back(Place(std::move(container))); }
    bool Close()
    {
        Stack.pop_back();
        return true;
    }

    Json& Root;
    std::vector<Json*> Stack;
    Json* PendingMember = nullptr;
};
} // namespace

std::optional<Json> ParseJsonDocument(std::string_view text)
{
    Json root;
    FDocumentBuilder builder(root);
    if (!Json::sax_parse(text.begin(), text.end(), &builder, nlohmann::detail::input_format_t::json, true))
    {
        return std::nullopt;
    }
    return root;
}
} // namespace host
