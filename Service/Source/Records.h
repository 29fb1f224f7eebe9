// The task record and the answer envelope exchanged with the plug-in, in their JSON form. Names
// and members come from the protocol header; reading ignores letter case, as the plug-in's
// converter does.
#pragma once

#include "lirnoProtocol.h"

#include <cstdint>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lirno::service
{
using TaskRecord = protocol::FTaskRecord;

struct Envelope
{
    std::int32_t Status = protocol::Status::Refused;
    std::string Msg;
    TaskRecord Content;
};

nlohmann::ordered_json TaskRecordToJson(const TaskRecord& record);
std::string EnvelopeToText(const Envelope& envelope);

// Parses the record a status request carries. Absent members stay zero; a text that is not an
// object, or a member of the wrong type, fails with a reason.
std::optional<TaskRecord> ParseTaskRecord(std::string_view text, std::string& error);
} // namespace lirno::service
