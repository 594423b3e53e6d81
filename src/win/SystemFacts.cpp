#include "win/SystemFacts.h"

#include <vector>

std::wstring ComputerName() {
    DWORD length = 0;
    ::GetComputerNameW(nullptr, &length);
    if (length == 0)
        return std::wstring();
    std::vector<wchar_t> name(length + 1);
    length = static_cast<DWORD>(name.size());
    if (!::GetComputerNameW(name.data(), &length))
        return std::wstring();
    return std::wstring(name.data(), length);
}

bool RunsUnderWow64() {
    BOOL wow64 = FALSE;
    return ::IsWow64Process(::GetCurrentProcess(), &wow64) && wow64;
}
