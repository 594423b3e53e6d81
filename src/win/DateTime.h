#pragma once

#include <windows.h>
#include <string>

// A calendar date and time as a day value (days since 30 December 1899,
// the fraction is the time of day) with a status: valid, invalid or null.
class DateTime {
  public:
    enum class Status { Valid, Invalid, Null };

    DateTime() = default; // null

    // Valid only when the platform converts the fields to a day value and
    // back to exactly the same fields.
    static DateTime FromFields(int year, int month, int day, int hour, int minute, int second);
    // A UTC file time in local time (the offset in force now, for every file).
    static DateTime FromFileTime(const FILETIME& utc);
    static DateTime Now();
    static DateTime Invalid();

    Status GetStatus() const { return m_status; }
    bool IsValid() const { return m_status == Status::Valid; }
    bool IsNull() const { return m_status == Status::Null; }
    double DayValue() const { return m_value; }

    bool ToSystemTime(SYSTEMTIME& time) const;

    bool LaterThan(const DateTime& other) const;
    bool SameAs(const DateTime& other) const;
    bool NotEarlierThan(const DateTime& other) const { return LaterThan(other) || SameAs(other); }

    // strftime-style: %Y %m %d %y %H %M %S and %%; at most 255 characters.
    // Null gives "", invalid gives `invalidText` (cut the same way): what an
    // invalid value reads as is the caller's wording.
    std::wstring Format(const wchar_t* pattern, const std::wstring& invalidText) const;

  private:
    double m_value = 0.0;
    Status m_status = Status::Null;
};

// The local calendar fields of a UTC file time at the offset from UTC in
// force on its own date, daylight saving included: a July file in a zone
// with summer time reads as summer time even in December, as Explorer shows
// it. False when the platform cannot convert the time.
bool LocalFieldsOnItsDate(const FILETIME& utc, SYSTEMTIME& local);
