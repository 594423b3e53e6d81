#include "win/DateTime.h"

#include "support/TestFiles.h"

#include <gtest/gtest.h>

namespace {
const wchar_t* const kLineTime = L"%d.%m.%y %H:%M:%S";
const std::wstring kInvalid = L"Invalid DateTime";

FILETIME FileTimeFromLocal(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second) {
    SYSTEMTIME local{};
    local.wYear = year;
    local.wMonth = month;
    local.wDay = day;
    local.wHour = hour;
    local.wMinute = minute;
    local.wSecond = second;
    FILETIME localFile{}, utc{};
    EXPECT_TRUE(::SystemTimeToFileTime(&local, &localFile));
    EXPECT_TRUE(::LocalFileTimeToFileTime(&localFile, &utc));
    return utc;
}

FILETIME FileTimeFromTicks(ULONGLONG ticks) {
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(ticks);
    time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return time;
}
} // namespace

TEST(DateTime, FieldsGiveTheDayValueSince30December1899) {
    EXPECT_EQ(0.0, DateTime::FromFields(1899, 12, 30, 0, 0, 0).DayValue());
    EXPECT_EQ(2.0, DateTime::FromFields(1900, 1, 1, 0, 0, 0).DayValue());
    const DateTime time = DateTime::FromFields(2024, 2, 5, 18, 0, 0);
    ASSERT_TRUE(time.IsValid());
    EXPECT_DOUBLE_EQ(45327.75, time.DayValue());
    EXPECT_DOUBLE_EQ(-1.25, DateTime::FromFields(1899, 12, 29, 6, 0, 0).DayValue());
}

TEST(DateTime, FieldsThatDoNotReadBackAreInvalid) {
    EXPECT_TRUE(DateTime::FromFields(2024, 2, 29, 0, 0, 0).IsValid());
    EXPECT_TRUE(DateTime::FromFields(9999, 12, 31, 23, 59, 59).IsValid());
    EXPECT_TRUE(DateTime::FromFields(1753, 1, 1, 0, 0, 0).IsValid());

    const int bad[][6] = {
        {2023, 2, 29, 0, 0, 0}, {2024, 4, 31, 0, 0, 0},       {2024, 13, 1, 0, 0, 0},
        {2024, 0, 1, 0, 0, 0},  {2024, 1, 0, 0, 0, 0},        {2024, 1, 1, 24, 0, 0},
        {2024, 1, 1, 0, 60, 0}, {2024, 1, 1, 0, 0, 60},       {10000, 1, 1, 0, 0, 0},
        {2024, -1, 1, 0, 0, 0}, {65536 + 2024, 1, 1, 0, 0, 0}};
    for (const auto& f : bad) {
        const DateTime time = DateTime::FromFields(f[0], f[1], f[2], f[3], f[4], f[5]);
        EXPECT_EQ(DateTime::Status::Invalid, time.GetStatus())
            << f[0] << "-" << f[1] << "-" << f[2] << " " << f[3] << ":" << f[4] << ":" << f[5];
    }
}

TEST(DateTime, FileTimeIsShownInLocalTime) {
    const DateTime time = DateTime::FromFileTime(FileTimeFromLocal(2024, 2, 5, 14, 7, 33));
    ASSERT_TRUE(time.IsValid());
    EXPECT_TRUE(time.SameAs(DateTime::FromFields(2024, 2, 5, 14, 7, 33)));
    EXPECT_EQ(L"05.02.24 14:07:33", time.Format(kLineTime, kInvalid));
}

// The runs under another zone (DORVAK_TEST_ZONE, set by ctest along with
// TZ) prove something only if the system really keeps that zone: otherwise
// every local time would equal UTC and each of their checks would pass.
TEST(DateTime, TheZoneOfTheRunIsInForce) {
    std::wstring zone(64, L'\0');
    const DWORD length = ::GetEnvironmentVariableW(L"DORVAK_TEST_ZONE", zone.data(),
                                                   static_cast<DWORD>(zone.size()));
    if (length == 0 || length >= zone.size())
        GTEST_SKIP() << "no zone asked for";
    zone.resize(length);
    TIME_ZONE_INFORMATION information{};
    const DWORD kind = ::GetTimeZoneInformation(&information);
    ASSERT_NE(kind, TIME_ZONE_ID_INVALID);
    // Minutes east of UTC in force now, as the file times are converted.
    const LONG offset =
        -(information.Bias +
          (kind == TIME_ZONE_ID_DAYLIGHT ? information.DaylightBias : information.StandardBias));
    if (zone == L"Berlin") {
        EXPECT_EQ(offset, kind == TIME_ZONE_ID_DAYLIGHT ? 120 : 60);
        EXPECT_NE(information.DaylightDate.wMonth, 0) << "no daylight saving";
    } else if (zone == L"Moscow") {
        EXPECT_EQ(offset, 180);
        EXPECT_EQ(information.DaylightDate.wMonth, 0) << "daylight saving";
    } else {
        FAIL() << "unknown zone " << Utf8(zone);
    }
    FILETIME utc{}, local{};
    ::GetSystemTimeAsFileTime(&utc);
    ASSERT_TRUE(::FileTimeToLocalFileTime(&utc, &local));
    const auto ticks = [](const FILETIME& t) {
        return static_cast<LONGLONG>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) |
                                     t.dwLowDateTime);
    };
    EXPECT_EQ((ticks(local) - ticks(utc)) / (60 * 10000000LL), offset);
}

TEST(DateTime, FileTimesThePlatformCannotConvertAreInvalid) {
    // Year 30828: FileTimeToSystemTime refuses values with the top bit set.
    EXPECT_EQ(DateTime::Status::Invalid,
              DateTime::FromFileTime(FileTimeFromTicks(0x8000000000000000ull)).GetStatus());
    // Year 30827: a system time, but no day value (those end with 9999).
    const DateTime late = DateTime::FromFileTime(FileTimeFromTicks(0x7FFFFFFFFFFFFFFFull));
    EXPECT_EQ(DateTime::Status::Invalid, late.GetStatus());
    EXPECT_EQ(L"Invalid DateTime", late.Format(kLineTime, kInvalid));
}

TEST(DateTime, NowIsTheLocalTime) {
    SYSTEMTIME before{}, after{};
    ::GetLocalTime(&before);
    const DateTime now = DateTime::Now();
    ::GetLocalTime(&after);
    ASSERT_TRUE(now.IsValid());
    const DateTime first = DateTime::FromFields(before.wYear, before.wMonth, before.wDay,
                                                before.wHour, before.wMinute, before.wSecond);
    const DateTime last = DateTime::FromFields(after.wYear, after.wMonth, after.wDay, after.wHour,
                                               after.wMinute, after.wSecond);
    EXPECT_TRUE(now.NotEarlierThan(first));
    EXPECT_TRUE(last.NotEarlierThan(now));
}

TEST(DateTime, ComparesValidValuesChronologically) {
    const DateTime start = DateTime::FromFields(2024, 3, 10, 0, 0, 0);
    const DateTime sameMoment = DateTime::FromFields(2024, 3, 10, 0, 0, 0);
    const DateTime dayBefore = DateTime::FromFields(2024, 3, 9, 23, 59, 59);
    EXPECT_TRUE(sameMoment.SameAs(start));
    EXPECT_FALSE(sameMoment.LaterThan(start));
    EXPECT_TRUE(sameMoment.NotEarlierThan(start));
    EXPECT_FALSE(dayBefore.NotEarlierThan(start));
    EXPECT_TRUE(start.LaterThan(dayBefore));
    EXPECT_FALSE(start.SameAs(dayBefore));
}

TEST(DateTime, DaysBefore1899CountTheirTimeOfDayForward) {
    // -1.25 and -1.75 are 06:00 and 18:00 of 29 December 1899.
    const DateTime morning = DateTime::FromFields(1899, 12, 29, 6, 0, 0);
    const DateTime evening = DateTime::FromFields(1899, 12, 29, 18, 0, 0);
    const DateTime dayBefore = DateTime::FromFields(1899, 12, 28, 23, 0, 0);
    const DateTime epochNoon = DateTime::FromFields(1899, 12, 30, 12, 0, 0);
    ASSERT_DOUBLE_EQ(-1.75, evening.DayValue());
    EXPECT_TRUE(evening.LaterThan(morning));
    EXPECT_FALSE(morning.LaterThan(evening));
    EXPECT_TRUE(morning.LaterThan(dayBefore));
    EXPECT_TRUE(epochNoon.LaterThan(evening));
    EXPECT_FALSE(evening.LaterThan(epochNoon));
    EXPECT_TRUE(DateTime::FromFields(1900, 1, 1, 0, 0, 0).LaterThan(evening));
}

TEST(DateTime, InvalidAndNullValuesCompare) {
    const DateTime valid = DateTime::FromFields(2024, 3, 10, 0, 0, 0);
    const DateTime invalid = DateTime::Invalid();
    const DateTime null;
    EXPECT_FALSE(invalid.LaterThan(valid));
    EXPECT_FALSE(valid.LaterThan(invalid));
    EXPECT_FALSE(valid.LaterThan(null));
    EXPECT_FALSE(invalid.SameAs(DateTime::Invalid()));
    EXPECT_FALSE(invalid.NotEarlierThan(invalid));
    EXPECT_FALSE(valid.NotEarlierThan(invalid));
    EXPECT_FALSE(valid.NotEarlierThan(null));
    EXPECT_FALSE(null.SameAs(invalid));
    EXPECT_TRUE(null.SameAs(DateTime()));
    EXPECT_TRUE(null.NotEarlierThan(DateTime()));
}

TEST(DateTime, FormatsEachFieldWithItsWidth) {
    const DateTime time = DateTime::FromFields(2005, 7, 3, 4, 5, 6);
    EXPECT_EQ(L"03.07.05 04:05:06", time.Format(kLineTime, kInvalid));
    EXPECT_EQ(L"2005_07_03", time.Format(L"%Y_%m_%d", kInvalid));
    EXPECT_EQ(L"100% 23:59:59",
              DateTime::FromFields(2024, 1, 1, 23, 59, 59).Format(L"100%% %H:%M:%S", kInvalid));
    EXPECT_EQ(L"00", DateTime::FromFields(2000, 1, 1, 0, 0, 0).Format(L"%y", kInvalid));
    const std::wstring longPattern(300, L'x');
    EXPECT_EQ(std::wstring(255, L'x'), time.Format(longPattern.c_str(), kInvalid));
}

TEST(DateTime, NullFormatsEmptyAndInvalidAsTheCallersText) {
    EXPECT_EQ(L"", DateTime().Format(kLineTime, kInvalid));
    EXPECT_EQ(L"Invalid DateTime", DateTime::Invalid().Format(kLineTime, kInvalid));
    EXPECT_EQ(std::wstring(255, L'y'),
              DateTime::Invalid().Format(kLineTime, std::wstring(300, L'y')));
}
