// The task record and the answer envelope exchanged with the plug-in. Member names are the
// plug-in's field names; reading ignores letter case, as the plug-in's converter does.
#pragma once

#include <cstdint>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lirno::service
{
struct TaskRecord
{
    std::vector<std::int32_t> TaskidList;
    std::int32_t CharCount = 0;
    std::int32_t UserID = 0;
    std::int32_t CompletedCharCount = 0;
    std::int32_t UsedCharCount = 0;
    std::int32_t UserTransLimit_LastCharCount = 0;
    std::string file_b64;
    std::string result_errormsg;
    std::string result_msg;
    double CompletionProgress = 0.0;
};

// What each Status value makes the plug-in do.
namespace answer_status
{
inline constexpr std::int32_t Refused = 0;     // Msg shown as an error, job ends
inline constexpr std::int32_t Working = 1;     // task accepted / progress
inline constexpr std::int32_t Question = 2;    // Msg asked, Yes opens result_errormsg, job ends
inline constexpr std::int32_t UpdateOffer = 4; // check-update only: Msg asked, Yes opens result_errormsg
} // namespace answer_status

struct Envelope
{
    std::int32_t Status = answer_status::Refused;
    std::string Msg;
    TaskRecord Content;
};

nlohmann::ordered_json TaskRecordToJson(const TaskRecord& record);
std::string EnvelopeToText(const Envelope& envelope);

// Parses the record a status request carries. Absent members stay zero; a text that is not an
// object, or a member of the wrong type, fails with a reason.
std::optional<TaskRecord> ParseTaskRecord(std::string_view text, std::string& error);
} // namespace lirno::service
