#include "ui/RecordLine.h"

#include "win/Utf8.h"

#include <gtest/gtest.h>

#include <regex>

TEST(RecordLine, TimeStampCarriesMillisecondsAndTheOffsetEastPositive) {
    struct Case {
        SYSTEMTIME local;
        int offsetMinutes;
        const char* stamp;
    };
    const Case cases[] = {
        {{2019, 4, 5, 5, 14, 7, 33, 120}, 180, "2019-04-05 14:07:33.120 +03:00"},
        {{2019, 12, 0, 31, 23, 59, 59, 7}, 0, "2019-12-31 23:59:59.007 +00:00"},
        {{2020, 1, 3, 1, 0, 0, 0, 0}, -210, "2020-01-01 00:00:00.000 -03:30"},
        {{2021, 6, 2, 9, 8, 5, 4, 999}, 345, "2021-06-09 08:05:04.999 +05:45"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Utf8(RecordTimeStamp(c.local, c.offsetMinutes)), c.stamp);
}

// In the zones ctest sets (zone_* entries) this is the test that sees a
// wrong sign or a daylight hour missed; in UTC it sees the form alone.
TEST(RecordLine, TimeStampNowIsLocalTimeWithTheOffsetInForce) {
    TIME_ZONE_INFORMATION information{};
    const DWORD kind = ::GetTimeZoneInformation(&information);
    ASSERT_NE(kind, TIME_ZONE_ID_INVALID);
    const LONG east =
        -(information.Bias +
          (kind == TIME_ZONE_ID_DAYLIGHT ? information.DaylightBias : information.StandardBias));
    SYSTEMTIME before{};
    ::GetLocalTime(&before);
    const std::string stamp = Utf8(RecordTimeStampNow());

    std::smatch parts;
    ASSERT_TRUE(std::regex_match(
        stamp, parts,
        std::regex(R"((\d{4})-(\d\d)-(\d\d) (\d\d):\d\d:\d\d\.\d{3} ([+-])(\d\d):(\d\d))")))
        << stamp;
    const int offset =
        (parts[5] == "-" ? -1 : 1) * (std::stoi(parts[6].str()) * 60 + std::stoi(parts[7].str()));
    EXPECT_EQ(offset, east) << stamp;
    // The local day and hour, not UTC's (unless the hour turned meanwhile).
    EXPECT_EQ(std::stoi(parts[1].str()), before.wYear);
    EXPECT_TRUE(std::stoi(parts[4].str()) == before.wHour ||
                std::stoi(parts[4].str()) == (before.wHour + 1) % 24)
        << stamp;
}

TEST(RecordLine, LineBreaksAreShownAndNothingElseIsTouched) {
    struct Case {
        const wchar_t* text;
        const char* line;
    };
    const Case cases[] = {
        {L"first\r\nsecond", "first<CR><LF>second"},
        {L"lone\rcarriage\nfeed", "lone<CR>carriage<LF>feed"},
        {L"C:\\root\\new\\", "C:\\root\\new\\"},
        {L"tab\tand ünïcode Ж", "tab\tand ünïcode Ж"},
        {L"\r\n", "<CR><LF>"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Utf8(OnOneLine(c.text)), c.line);
}
