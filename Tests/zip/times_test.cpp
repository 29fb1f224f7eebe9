#include "records.h"
#include "times.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

using namespace zipengine;

namespace
{
// Runs a block with TZ set, restoring it afterwards.
class ScopedTimeZone
{
public:
    explicit ScopedTimeZone(const char* zone)
    {
        if (const char* old = std::getenv("TZ"))
            old_ = old, had_ = true;
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~ScopedTimeZone()
    {
        if (had_)
            ::setenv("TZ", old_.c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }

private:
    std::string old_;
    bool had_ = false;
};
} // namespace

TEST(ZipTimes, DosStampPackingAndUtcInstant)
{
    EXPECT_EQ(pack_dos_stamp(1980, 1, 1, 0, 0, 0), 0x00210000u);
    // 2021-03-04 05:06:07 UTC = 1614834367; seconds are halved.
    const std::uint32_t stamp = dos_stamp_utc(1614834367);
    EXPECT_EQ(stamp >> 16, (2021 - 1980) * 512u + 3 * 32 + 4);
    EXPECT_EQ(stamp & 0xFFFF, 5 * 2048u + 6 * 32 + 3);
}

TEST(ZipTimes, FileTimeConversionsRoundTrip)
{
    EXPECT_EQ(filetime_from_unix(0), 116444736000000000ull);
    std::int32_t ns = -1;
    EXPECT_EQ(unix_from_filetime(filetime_from_unix(1614834367) + 5, &ns), 1614834367);
    EXPECT_EQ(ns, 500);
    EXPECT_EQ(unix_from_filetime(filetime_from_unix(-10)), -10); // before 1970 stays exact
}

TEST(ZipTimes, DosStampReadAsLocalTime)
{
    const std::uint32_t stamp = pack_dos_stamp(2021, 3, 4, 5, 6, 8);
    {
        ScopedTimeZone utc("UTC0");
        EXPECT_EQ(filetime_from_dos_local(stamp), filetime_from_unix(1614834368));
    }
    {
        ScopedTimeZone east("XYZ-2"); // two hours ahead of UTC
        EXPECT_EQ(filetime_from_dos_local(stamp), filetime_from_unix(1614834368 - 7200));
    }
}

TEST(ZipTimes, InvalidDosDatesGiveTheDefinedTime)
{
    for (const std::uint32_t stamp :
         {0u, pack_dos_stamp(2020, 0, 1, 0, 0, 0), pack_dos_stamp(2020, 13, 1, 0, 0, 0),
          pack_dos_stamp(2021, 2, 29, 0, 0, 0), pack_dos_stamp(2020, 1, 1, 24, 0, 0),
          pack_dos_stamp(2020, 1, 1, 0, 60, 0), pack_dos_stamp(2020, 1, 1, 0, 0, 60)})
        EXPECT_EQ(filetime_from_dos_local(stamp), InvalidDosFileTime) << std::hex << stamp;
    ScopedTimeZone utc("UTC0");
    EXPECT_EQ(filetime_from_dos_local(pack_dos_stamp(2020, 2, 29, 0, 0, 0)), filetime_from_unix(1582934400));
}

TEST(ZipTimes, ExtendedTimestampFieldIsNeverReadPastItsEnd)
{
    std::string field;
    append_local_times(field, 100, 200, -300);
    const auto* p = reinterpret_cast<const std::uint8_t*>(field.data());
    ExtraTimes all = find_extra_times(p, field.size());
    EXPECT_TRUE(all.has_modified && all.has_accessed && all.has_created);
    EXPECT_EQ(all.modified, 100);
    EXPECT_EQ(all.accessed, 200);
    EXPECT_EQ(all.created, -300);

    // The central form announces three times but carries one.
    std::string central;
    append_central_times(central, 42);
    ExtraTimes one = find_extra_times(reinterpret_cast<const std::uint8_t*>(central.data()), central.size());
    EXPECT_TRUE(one.has_modified);
    EXPECT_FALSE(one.has_accessed || one.has_created);

    // A block claiming more data than the field holds is read only up to the field's end;
    // the buffer is exactly the field so a sanitizer catches any over-read.
    std::vector<std::uint8_t> cut(p, p + 11); // header, flags, modified, half of accessed
    cut[2] = 200;
    ExtraTimes partial = find_extra_times(cut.data(), cut.size());
    EXPECT_TRUE(partial.has_modified);
    EXPECT_FALSE(partial.has_accessed);

    // Other blocks are skipped by their size; a lone block header ends the walk.
    std::vector<std::uint8_t> mixed = {'u', 'x', 2, 0, 9, 9};
    mixed.insert(mixed.end(), p, p + field.size());
    EXPECT_EQ(find_extra_times(mixed.data(), mixed.size()).accessed, 200);
    std::vector<std::uint8_t> skip_past = {'u', 'x', 0xFF, 0xFF, 1};
    EXPECT_FALSE(find_extra_times(skip_past.data(), skip_past.size()).has_modified);
    std::vector<std::uint8_t> no_flags = {'U', 'T', 0, 0, 1};
    EXPECT_FALSE(find_extra_times(no_flags.data(), no_flags.size()).has_modified);
}
