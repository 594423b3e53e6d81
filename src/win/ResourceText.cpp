#include "win/ResourceText.h"

#include "win/Module.h"

std::wstring LoadResourceText(UINT number) {
    wchar_t buffer[1024];
    const int length = ::LoadStringW(ActiveResourceModule(), number, buffer, 1024);
    if (length <= 0)
        return L"S" + std::to_wstring(number);
    return std::wstring(buffer, static_cast<size_t>(length));
}
