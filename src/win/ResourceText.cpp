#include "win/ResourceText.h"

#include "win/Module.h"

std::optional<std::wstring> LoadStringEntry(UINT id) {
    const wchar_t* text = nullptr;
    // With no buffer, LoadStringW hands out the resource's own characters
    // (not terminated), so the entry is never cut.
    const int length =
        ::LoadStringW(ActiveResourceModule(), id, reinterpret_cast<LPWSTR>(&text), 0);
    if (length <= 0 || text == nullptr)
        return std::nullopt;
    return std::wstring(text, static_cast<size_t>(length));
}

std::wstring LoadResourceText(UINT number) {
    // The messages have always been read through a 1024-character buffer.
    constexpr size_t kLongestText = 1023;
    std::optional<std::wstring> text = LoadStringEntry(number);
    if (!text)
        return L"S" + std::to_wstring(number);
    if (text->size() > kLongestText)
        text->resize(kLongestText);
    return *text;
}
