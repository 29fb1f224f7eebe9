#include "times.h"

#include "platform.h"

namespace zipengine
{
namespace
{
// Days from 1970-01-01 to a proleptic Gregorian date; avoids time-zone dependent libc calls.
std::int64_t days_from_civil(std::int64_t year, unsigned month, unsigned day)
{
    year -= month <= 2;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const auto yoe = static_cast<unsigned>(year - era * 400);
    const unsigned doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

bool is_leap(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int days_in_month(int year, int month)
{
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && is_leap(year) ? 29 : days[month - 1];
}

std::uint32_t stamp_of(const std::tm& t)
{
    return pack_dos_stamp(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
}
} // namespace

ZipFileTime filetime_from_unix(std::int64_t seconds)
{
    return static_cast<ZipFileTime>((seconds + FileTimeEpochSeconds) * 10000000);
}

std::int64_t unix_from_filetime(ZipFileTime time, std::int32_t* nanoseconds)
{
    const auto ticks = static_cast<std::int64_t>(time) - FileTimeEpochSeconds * 10000000;
    std::int64_t seconds = ticks / 10000000;
    std::int64_t rest = ticks % 10000000;
    if (rest < 0)
    {
        rest += 10000000;
        --seconds;
    }
    if (nanoseconds != nullptr)
        *nanoseconds = static_cast<std::int32_t>(rest * 100);
    return seconds;
}

std::uint32_t pack_dos_stamp(int year, int month, int day, int hour, int minute, int second)
{
    const auto date = static_cast<std::uint32_t>((year - 1980) * 512 + month * 32 + day);
    const auto time = static_cast<std::uint32_t>(hour * 2048 + minute * 32 + second / 2);
    return (date << 16) | (time & 0xFFFF);
}

std::uint32_t dos_stamp_utc(std::int64_t seconds)
{
    std::tm t{};
    if (!platform::utc_calendar(seconds, t))
        return pack_dos_stamp(1980, 1, 1, 0, 0, 0);
    return stamp_of(t);
}

ClockReading local_clock_reading()
{
    const std::int64_t now = platform::now_seconds();
    std::tm t{};
    if (!platform::local_calendar(now, t))
        platform::utc_calendar(now, t);
    const std::int64_t days = days_from_civil(t.tm_year + 1900, static_cast<unsigned>(t.tm_mon + 1),
                                              static_cast<unsigned>(t.tm_mday));
    return {days * 86400 + t.tm_hour * 3600 + t.tm_min * 60 + t.tm_sec, stamp_of(t)};
}

ZipFileTime filetime_from_dos_local(std::uint32_t stamp)
{
    const auto date = stamp >> 16;
    const auto time = stamp & 0xFFFF;
    std::tm t{};
    const int year = static_cast<int>(date >> 9) + 1980;
    const int month = static_cast<int>((date >> 5) & 15);
    const int day = static_cast<int>(date & 31);
    const int hour = static_cast<int>(time >> 11);
    const int minute = static_cast<int>((time >> 5) & 63);
    const int second = static_cast<int>((time & 31) * 2);
    if (month < 1 || month > 12 || day < 1 || day > days_in_month(year, month) || hour > 23 || minute > 59 ||
        second > 59)
        return InvalidDosFileTime;
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    std::int64_t seconds = 0;
    if (!platform::from_local_calendar(t, seconds))
        return InvalidDosFileTime;
    return filetime_from_unix(seconds);
}
} // namespace zipengine
