// The shape of one line of the run record: when, what, and the facts.
#pragma once

#include <windows.h>
#include <string>

// "2019-04-05 14:07:33.120 +03:00": local time to the millisecond and its
// offset from UTC, east positive.
std::wstring RecordTimeStamp(const SYSTEMTIME& local, int offsetMinutes);

// The time stamp of this moment, with the offset in force now.
std::wstring RecordTimeStampNow();

// The text on one line: each CR becomes "<CR>" and each LF "<LF>". Neither
// '<' nor '>' can stand in a Windows file name, so a marker is never taken
// for part of a path, as "\r" would be in C:\root.
std::wstring OnOneLine(const std::wstring& text);

// Milliseconds as seconds with three decimals and an "s": "30.004s".
std::wstring Seconds(ULONGLONG milliseconds);

// Time stamp, keyword and the facts on one line, ended by CR LF, as UTF-8.
std::string RecordLine(const std::wstring& stamp, const wchar_t* keyword,
                       const std::wstring& facts);
