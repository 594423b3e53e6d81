#include "win/DateTime.h"

#include <oleauto.h>

#include <cmath>
#include <cwchar>

namespace {
constexpr size_t kMaxFormattedLength = 255;

// Before 30 December 1899 the fraction still counts the time of day forward:
// -1.25 is 29 December 1899 06:00 and -1.75 the same day at 18:00, so plain
// numeric order is wrong there; 2*ceil(v)-v restores chronological order.
double Rank(double value) {
    return value >= 0 ? value : 2.0 * std::ceil(value) - value;
}

void AppendNumber(std::wstring& out, int value, int width) {
    wchar_t digits[16];
    std::swprintf(digits, 16, L"%0*d", width, value);
    out += digits;
}
} // namespace

DateTime DateTime::FromFields(int year, int month, int day, int hour, int minute, int second) {
    DateTime result = Invalid();
    if (year < 0 || year > 0xFFFF || month < 0 || month > 0xFFFF || day < 0 || day > 0xFFFF ||
        hour < 0 || hour > 0xFFFF || minute < 0 || minute > 0xFFFF || second < 0 || second > 0xFFFF)
        return result;
    SYSTEMTIME fields{};
    fields.wYear = static_cast<WORD>(year);
    fields.wMonth = static_cast<WORD>(month);
    fields.wDay = static_cast<WORD>(day);
    fields.wHour = static_cast<WORD>(hour);
    fields.wMinute = static_cast<WORD>(minute);
    fields.wSecond = static_cast<WORD>(second);
    double value = 0.0;
    if (!::SystemTimeToVariantTime(&fields, &value))
        return result;
    SYSTEMTIME back{};
    if (!::VariantTimeToSystemTime(value, &back))
        return result;
    if (back.wYear != fields.wYear || back.wMonth != fields.wMonth || back.wDay != fields.wDay ||
        back.wHour != fields.wHour || back.wMinute != fields.wMinute ||
        back.wSecond != fields.wSecond)
        return result;
    result.m_value = value;
    result.m_status = Status::Valid;
    return result;
}

DateTime DateTime::FromFileTime(const FILETIME& utc) {
    FILETIME local{};
    if (!::FileTimeToLocalFileTime(&utc, &local))
        return Invalid();
    SYSTEMTIME fields{};
    if (!::FileTimeToSystemTime(&local, &fields))
        return Invalid();
    return FromFields(fields.wYear, fields.wMonth, fields.wDay, fields.wHour, fields.wMinute,
                      fields.wSecond);
}

DateTime DateTime::Now() {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    return FromFields(now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond);
}

DateTime DateTime::Invalid() {
    DateTime result;
    result.m_status = Status::Invalid;
    return result;
}

bool DateTime::ToSystemTime(SYSTEMTIME& time) const {
    if (!IsValid())
        return false;
    return ::VariantTimeToSystemTime(m_value, &time) != FALSE;
}

bool DateTime::LaterThan(const DateTime& other) const {
    return IsValid() && other.IsValid() && Rank(m_value) > Rank(other.m_value);
}

bool DateTime::SameAs(const DateTime& other) const {
    if (m_status != other.m_status)
        return false;
    if (m_status == Status::Null)
        return true;
    return m_status == Status::Valid && m_value == other.m_value;
}

std::wstring DateTime::Format(const wchar_t* pattern, const std::wstring& invalidText) const {
    if (IsNull())
        return std::wstring();
    SYSTEMTIME fields{};
    if (!ToSystemTime(fields)) {
        std::wstring text = invalidText;
        if (text.size() > kMaxFormattedLength)
            text.resize(kMaxFormattedLength);
        return text;
    }

    std::wstring out;
    for (const wchar_t* p = pattern; *p != L'\0'; ++p) {
        if (*p != L'%' || p[1] == L'\0') {
            out += *p;
            continue;
        }
        ++p;
        switch (*p) {
        case L'Y':
            AppendNumber(out, fields.wYear, 1);
            break;
        case L'y':
            AppendNumber(out, fields.wYear % 100, 2);
            break;
        case L'm':
            AppendNumber(out, fields.wMonth, 2);
            break;
        case L'd':
            AppendNumber(out, fields.wDay, 2);
            break;
        case L'H':
            AppendNumber(out, fields.wHour, 2);
            break;
        case L'M':
            AppendNumber(out, fields.wMinute, 2);
            break;
        case L'S':
            AppendNumber(out, fields.wSecond, 2);
            break;
        case L'%':
            out += L'%';
            break;
        default:
            out += L'%';
            out += *p;
            break;
        }
    }
    if (out.size() > kMaxFormattedLength)
        out.resize(kMaxFormattedLength);
    return out;
}

bool LocalFieldsOnItsDate(const FILETIME& utc, SYSTEMTIME& local) {
    SYSTEMTIME fields{};
    return ::FileTimeToSystemTime(&utc, &fields) &&
           ::SystemTimeToTzSpecificLocalTime(nullptr, &fields, &local);
}
