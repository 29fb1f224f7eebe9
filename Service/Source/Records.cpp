#include "Records.h"

#include <Util/AsciiCase.h>
#include <limits>
#include <nlohmann/json.hpp>

namespace lirno::service
{
namespace
{
using nlohmann::json;

const json* FindMember(const json& object, std::string_view name)
{
    for (auto it = object.begin(); it != object.end(); ++it)
    {
        if (util::EqualsIgnoreCase(it.key(), name))
            return &it.value();
    }
    return nullptr;
}

bool ReadInt(const json& value, std::int32_t& out)
{
    if (value.is_number_integer())
    {
        const auto v = value.get<std::int64_t>();
        if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max())
            return false;
        out = static_cast<std::int32_t>(v);
        return true;
    }
    if (value.is_number_unsigned())
    {
        const auto v = value.get<std::uint64_t>();
        if (v > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()))
            return false;
        out = static_cast<std::int32_t>(v);
        return true;
    }
    return false;
}

class Reader
{
public:
    Reader(const json& object, std::string& error) : object_(object), error_(error) {}

    void Read(std::string_view name, std::int32_t& out)
    {
        if (const json* v = FindMember(object_, name); v && !ReadInt(*v, out))
            Fail(name);
    }
    void Read(std::string_view name, double& out)
    {
        if (const json* v = FindMember(object_, name))
        {
            if (v->is_number())
                out = v->get<double>();
            else
                Fail(name);
        }
    }
    void Read(std::string_view name, std::string& out)
    {
        if (const json* v = FindMember(object_, name))
        {
            if (v->is_string())
                out = v->get<std::string>();
            else
                Fail(name);
        }
    }
    void Read(std::string_view name, std::vector<std::int32_t>& out)
    {
        const json* v = FindMember(object_, name);
        if (!v)
            return;
        if (!v->is_array())
        {
            Fail(name);
            return;
        }
        for (const json& element : *v)
        {
            std::int32_t id = 0;
            if (!ReadInt(element, id))
            {
                Fail(name);
                return;
            }
            out.push_back(id);
        }
    }
    bool Ok() const { return error_.empty(); }

private:
    void Fail(std::string_view name)
    {
        if (error_.empty())
            error_ = "member " + std::string(name) + " has the wrong type";
    }
    const json& object_;
    std::string& error_;
};
} // namespace

nlohmann::ordered_json TaskRecordToJson(const TaskRecord& r)
{
    // Field order follows the plug-in's record, which keeps logs easy to compare.
    nlohmann::ordered_json j = nlohmann::ordered_json::object();
    protocol::ForEachTaskField([&](const char* name, auto member) { j[name] = r.*member; });
    return j;
}

std::string EnvelopeToText(const Envelope& e)
{
    nlohmann::ordered_json j = nlohmann::ordered_json::object();
    j[protocol::Field::Status] = e.Status;
    j[protocol::Field::Msg] = e.Msg;
    j[protocol::Field::Content] = TaskRecordToJson(e.Content);
    // Replacement instead of throwing: a stray byte in a message must not cost the answer.
    return j.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

std::optional<TaskRecord> ParseTaskRecord(std::string_view text, std::string& error)
{
    error.clear();
    const json parsed = json::parse(text.begin(), text.end(), nullptr, false);
    if (parsed.is_discarded() || !parsed.is_object())
    {
        error = "the task record is not a JSON object";
        return std::nullopt;
    }
    TaskRecord r;
    Reader read(parsed, error);
    protocol::ForEachTaskField([&](const char* name, auto member) { read.Read(name, r.*member); });
    if (!read.Ok())
        return std::nullopt;
    return r;
}
} // namespace lirno::service
