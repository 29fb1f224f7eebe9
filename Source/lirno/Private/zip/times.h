// Conversions between seconds since 1970, DOS stamps and FILETIME values.
#pragma once

#include "zip.h"

#include <cstdint>

namespace zipengine
{
// Seconds between 1601-01-01 and 1970-01-01.
inline constexpr std::int64_t FileTimeEpochSeconds = 11644473600;

// The value an entry carries when its DOS stamp is no calendar date: 1980-01-01 00:00:00 UTC,
// the first instant a DOS stamp can express.
inline constexpr ZipFileTime InvalidDosFileTime = (315532800 + FileTimeEpochSeconds) * 10000000ull;

ZipFileTime filetime_from_unix(std::int64_t seconds);
// Splits a FILETIME into whole seconds since 1970 (rounded down) and nanoseconds.
std::int64_t unix_from_filetime(ZipFileTime time, std::int32_t* nanoseconds = nullptr);

// Packs a calendar time (tm fields) into a DOS stamp: date high, time low.
std::uint32_t pack_dos_stamp(int year, int month, int day, int hour, int minute, int second);
// The DOS stamp of an instant taken as a UTC calendar time.
std::uint32_t dos_stamp_utc(std::int64_t seconds);

// The reading used for items without their own times: the local calendar time taken as if
// it were UTC, and the DOS stamp of the same reading.
struct ClockReading
{
    std::int64_t seconds;
    std::uint32_t dos_stamp;
};
ClockReading local_clock_reading();

// A DOS stamp read as local time; InvalidDosFileTime when it is no calendar date.
ZipFileTime filetime_from_dos_local(std::uint32_t stamp);
} // namespace zipengine
