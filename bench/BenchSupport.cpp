#include "BenchSupport.h"

#include "win/Handles.h"

#include <cstdarg>
#include <cstdio>
#include <cwchar>
#include <string>

void SilentUi::ReportSystemError(const std::wstring& text, DWORD code) {
    ++failures;
    std::fwprintf(stderr, L"failure: %ls (%lu)\n", text.c_str(), static_cast<unsigned long>(code));
}

void SilentUi::ShowMessage(const std::wstring& text, UINT) {
    std::fwprintf(stderr, L"message: %ls\n", text.c_str());
}

double Seconds() {
    LARGE_INTEGER frequency, now;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

bool ParseStartDate(const wchar_t* text, DateTime& date) {
    int year = 0, month = 0, day = 0;
    if (std::swscanf(text, L"%d-%d-%d", &year, &month, &day) != 3)
        return false;
    date = DateTime::FromFields(year, month, day, 0, 0, 0);
    return date.IsValid();
}

bool RemoveTree(const std::wstring& folder) {
    const std::wstring base = WithBackslash(folder);
    WIN32_FIND_DATAW data;
    {
        FindHandle search(::FindFirstFileW((base + L"*").c_str(), &data));
        if (search) {
            do {
                const std::wstring name = data.cFileName;
                if (name == L"." || name == L"..")
                    continue;
                if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    RemoveTree(base + name);
                else
                    ::DeleteFileW((base + name).c_str());
            } while (::FindNextFileW(search.Get(), &data));
        }
    }
    return ::RemoveDirectoryW(folder.c_str()) || ::GetLastError() == ERROR_FILE_NOT_FOUND;
}

std::wstring WithBackslash(std::wstring folder) {
    if (folder.empty() || folder.back() != L'\\')
        folder += L'\\';
    return folder;
}

void PrintLine(const wchar_t* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::vfwprintf(stdout, format, arguments);
    va_end(arguments);
    std::fputwc(L'\n', stdout);
    std::fflush(stdout);
}
