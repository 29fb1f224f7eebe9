// Result slots, handle kind queries and the two message formatters.
#include "handle.h"

#include <string_view>

namespace zipengine
{
namespace
{
ZipResult g_writer_slot = zip_result::Ok;
ZipResult g_reader_slot = zip_result::Ok;

constexpr std::string_view UnknownCode = "unknown zip result code";

std::string_view message_for(ZipResult code, bool wide)
{
    using namespace zip_result;
    switch (code)
    {
    case Ok:
        return "Success";
    case NoDuplicate:
        return "Culdn't duplicate handle";
    case OpenFailed:
        return "Couldn't create/open file";
    case AllocFailed:
        return "Failed to allocate memory";
    case WriteFailed:
        return "Error writing to file";
    case ItemNotFound:
        return "File not found in the zipfile";
    case MoreToUnzip:
        return "Still more data to unzip";
    case CorruptArchive:
        return "Zipfile is corrupt or not a zipfile";
    case ReadFailed:
        return "Error reading file";
    case WrongPassword:
        // Only the reader side ever produces it, so only its formatter knows the text.
        return wide ? "Correct password required" : UnknownCode;
    case BadArguments:
        return "Caller: faulty arguments";
    case NotMemoryArchive:
        return "Caller: can only get memory of a memory zipfile";
    case MemoryFull:
        return "Caller: not enough space allocated for memory zipfile";
    case EarlierFailure:
        return "Caller: there was a previous error";
    case AlreadyFinished:
        return "Caller: additions to the zip have already been ended";
    case SizeChanged:
        return "Zip-bug: the anticipated size turned out wrong";
    case PartlyUnzipped:
        return "Caller: the file had already been partially unzipped";
    case WrongHandleKind:
        return "Caller: mixing creation and opening of zip";
    case NotInitialised:
        return "Zip-bug: internal initialisation not completed";
    case SeekFailed:
        return "Zip-bug: trying to seek the unseekable";
    case CannotRevise:
        return "Zip-bug: tried to change mind, but not allowed";
    case FlateFailed:
        return "Zip-bug: an internal error during flation";
    default:
        return UnknownCode;
    }
}

template <typename Char> std::uint32_t copy_message(std::string_view text, Char* buffer, std::uint32_t size)
{
    if (buffer != nullptr && size > 0)
    {
        const std::size_t count = text.size() < size - 1 ? text.size() : size - 1;
        for (std::size_t i = 0; i < count; ++i)
            buffer[i] = static_cast<Char>(text[i]);
        buffer[count] = Char{0};
    }
    return static_cast<std::uint32_t>(text.size());
}
} // namespace

ZipResult& writer_slot()
{
    return g_writer_slot;
}
ZipResult& reader_slot()
{
    return g_reader_slot;
}
} // namespace zipengine

bool zip_is_reader(const ZipHandle* handle)
{
    return handle != nullptr && handle->kind == zipengine::ReaderHandle;
}

bool zip_is_writer(const ZipHandle* handle)
{
    return handle != nullptr && handle->kind == zipengine::WriterHandle;
}

std::uint32_t zip_format_result(ZipResult code, char* buffer, std::uint32_t size)
{
    if (code == zip_result::Recent)
        code = zipengine::writer_slot();
    return zipengine::copy_message(zipengine::message_for(code, false), buffer, size);
}

std::uint32_t unzip_format_result(ZipResult code, char16_t* buffer, std::uint32_t size)
{
    if (code == zip_result::Recent)
        code = zipengine::reader_slot();
    return zipengine::copy_message(zipengine::message_for(code, true), buffer, size);
}

ZipResult zip_last_result()
{
    return zipengine::writer_slot();
}

ZipResult unzip_last_result()
{
    return zipengine::reader_slot();
}
