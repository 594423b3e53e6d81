#include "ui/RecordLine.h"

#include "win/Utf8.h"

#include <cstdlib>
#include <cwchar>

std::wstring RecordTimeStamp(const SYSTEMTIME& local, int offsetMinutes) {
    const int offset = std::abs(offsetMinutes);
    wchar_t stamp[64];
    std::swprintf(stamp, 64, L"%04u-%02u-%02u %02u:%02u:%02u.%03u %lc%02d:%02d", local.wYear,
                  local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond,
                  local.wMilliseconds, offsetMinutes < 0 ? L'-' : L'+', offset / 60, offset % 60);
    return stamp;
}

std::wstring RecordTimeStampNow() {
    FILETIME utc{};
    ::GetSystemTimeAsFileTime(&utc);
    // The same conversion the run applies to file times, so the record and
    // the inventories agree on the offset.
    FILETIME local{};
    SYSTEMTIME fields{};
    if (!::FileTimeToLocalFileTime(&utc, &local) || !::FileTimeToSystemTime(&local, &fields)) {
        ::FileTimeToSystemTime(&utc, &fields);
        return RecordTimeStamp(fields, 0);
    }
    const auto ticks = [](const FILETIME& time) {
        return static_cast<long long>((static_cast<unsigned long long>(time.dwHighDateTime) << 32) |
                                      time.dwLowDateTime);
    };
    constexpr long long kTicksPerMinute = 60LL * 10000000LL;
    const long long difference = ticks(local) - ticks(utc);
    // Both readings share one instant, so the difference is whole minutes.
    const long long minutes =
        (difference + (difference < 0 ? -1 : 1) * kTicksPerMinute / 2) / kTicksPerMinute;
    return RecordTimeStamp(fields, static_cast<int>(minutes));
}

std::wstring OnOneLine(const std::wstring& text) {
    std::wstring line;
    line.reserve(text.size());
    for (wchar_t c : text) {
        if (c == L'\r')
            line += L"<CR>";
        else if (c == L'\n')
            line += L"<LF>";
        else
            line += c;
    }
    return line;
}

std::wstring Seconds(ULONGLONG milliseconds) {
    std::wstring fraction = std::to_wstring(milliseconds % 1000);
    fraction.insert(0, 3 - fraction.size(), L'0');
    return std::to_wstring(milliseconds / 1000) + L"." + fraction + L"s";
}

std::string RecordLine(const std::wstring& stamp, const wchar_t* keyword,
                       const std::wstring& facts) {
    return Utf8(stamp + L" " + keyword + L" " + OnOneLine(facts)) + "\r\n";
}
