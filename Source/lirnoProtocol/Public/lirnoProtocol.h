// The facts the plug-in and the translation service must agree on: the endpoints, the answer
// envelope and its Status values, the task record, the byte shifts and the upload password.
// Both ends include this one header, so a change here reaches both or neither.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

namespace lirno::protocol
{
// Endpoint paths, appended to the service address the user configures.
inline constexpr char CheckUpdatePath[] = "/api/zq/checkupdate";
inline constexpr char UploadPath[] = "/api/zqlirno/upload";
inline constexpr char StatusPath[] = "/api/zqlirno/status";

// The envelope's Status values: what each makes the plug-in do.
namespace Status
{
inline constexpr std::int32_t Refused = 0;       // Msg shown as an error, job ends
inline constexpr std::int32_t Working = 1;       // task accepted / progress
inline constexpr std::int32_t Question = 2;      // Msg asked, Yes opens result_errormsg, job ends
inline constexpr std::int32_t OtherQuestion = 3; // asked as Question; the reference service never sends it
inline constexpr std::int32_t UpdateOffer = 4;   // check-update only: Msg asked, Yes opens result_errormsg
} // namespace Status

// Request header names the service reads (the plug-in sends more, for the service's logs).
namespace Header
{
inline constexpr char Authorization[] = "Authorization"; // the user's API key
inline constexpr char Version[] = "Version";             // the plug-in's version
inline constexpr char Rnd[] = "Rnd";                     // the job number, also in the upload password
inline constexpr char TranslateAll[] = "TranslateAll";   // "true" or "false"
inline constexpr char TranslatorType[] = "TranslatorType";
inline constexpr char NativeLang[] = "NativeLang"; // Base64 of JSON: target name -> native culture
} // namespace Header

// Member names on the wire: the envelope's and the task record's. Reading ignores letter case.
namespace Field
{
inline constexpr char Status[] = "Status";
inline constexpr char Msg[] = "Msg";
inline constexpr char Content[] = "Content";

inline constexpr char TaskidList[] = "TaskidList";
inline constexpr char CharCount[] = "CharCount";
inline constexpr char UserID[] = "UserID";
inline constexpr char CompletedCharCount[] = "CompletedCharCount";
inline constexpr char UsedCharCount[] = "UsedCharCount";
inline constexpr char UserTransLimit_LastCharCount[] = "UserTransLimit_LastCharCount";
inline constexpr char FileB64[] = "file_b64";
inline constexpr char ResultErrorMsg[] = "result_errormsg";
inline constexpr char ResultMsg[] = "result_msg";
inline constexpr char CompletionProgress[] = "CompletionProgress";
} // namespace Field

// The service's description of one task (the envelope's Content); the plug-in sends it back
// unchanged with every status request. Members carry the wire's names.
struct FTaskRecord
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

// Calls `visit(name, member)` for every member of the task record, in the order both ends
// write them; `member` is a pointer to the FTaskRecord member.
template <class Visitor> void ForEachTaskField(Visitor&& visit)
{
    visit(Field::TaskidList, &FTaskRecord::TaskidList);
    visit(Field::CharCount, &FTaskRecord::CharCount);
    visit(Field::UserID, &FTaskRecord::UserID);
    visit(Field::CompletedCharCount, &FTaskRecord::CompletedCharCount);
    visit(Field::UsedCharCount, &FTaskRecord::UsedCharCount);
    visit(Field::UserTransLimit_LastCharCount, &FTaskRecord::UserTransLimit_LastCharCount);
    visit(Field::FileB64, &FTaskRecord::file_b64);
    visit(Field::ResultErrorMsg, &FTaskRecord::result_errormsg);
    visit(Field::ResultMsg, &FTaskRecord::result_msg);
    visit(Field::CompletionProgress, &FTaskRecord::CompletionProgress);
}

// The transfer obfuscation: every byte moved by a constant, modulo 256. The plug-in adds
// UploadShift to its upload; the service adds ResultShift to the result package.
inline constexpr std::uint8_t UploadShift = 33;
inline constexpr std::uint8_t ResultShift = 67;

// Adds `amount` to every byte of `bytes` (chars or uint8_t), modulo 256.
template <class Bytes> void ShiftBytes(Bytes&& bytes, std::uint8_t amount)
{
    for (auto& b : bytes)
    {
        using Byte = std::remove_reference_t<decltype(b)>;
        b = static_cast<Byte>(static_cast<std::uint8_t>(static_cast<std::uint8_t>(b) + amount));
    }
}

// Takes `amount` off every byte, modulo 256: undoes ShiftBytes.
template <class Bytes> void UnshiftBytes(Bytes&& bytes, std::uint8_t amount)
{
    ShiftBytes(bytes, static_cast<std::uint8_t>(256 - amount));
}

// The fixed part of the upload archive's password; the job number from the "Rnd" header follows.
inline constexpr char UploadPasswordPrefix[] = "Zq7#lirno-Pk9!wX2$v";
static_assert(sizeof(UploadPasswordPrefix) - 1 == 19, "the service expects a 19-character prefix");
} // namespace lirno::protocol
