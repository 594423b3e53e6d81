#include "win/ResourceText.h"

#include "win/Module.h"

#include <utility>

namespace {
std::optional<std::wstring> LoadModuleEntry(HINSTANCE module, UINT id) {
    const wchar_t* text = nullptr;
    // With no buffer, LoadStringW hands out the resource's own characters
    // (not terminated), so the entry is never cut.
    const int length = ::LoadStringW(module, id, reinterpret_cast<LPWSTR>(&text), 0);
    if (length <= 0 || text == nullptr)
        return std::nullopt;
    return std::wstring(text, static_cast<size_t>(length));
}

std::wstring MessageText(std::optional<std::wstring> text, UINT number) {
    // The messages have always been read through a 1024-character buffer.
    constexpr size_t kLongestText = 1023;
    if (!text)
        return L"S" + std::to_wstring(number);
    if (text->size() > kLongestText)
        text->resize(kLongestText);
    return *text;
}
} // namespace

std::optional<std::wstring> LoadStringEntry(UINT id) {
    return LoadModuleEntry(ActiveResourceModule(), id);
}

std::wstring LoadResourceText(UINT number) {
    return MessageText(LoadStringEntry(number), number);
}

std::wstring LoadAddedResourceText(UINT number) {
    std::optional<std::wstring> text = LoadStringEntry(number);
    if (!text)
        text = LoadModuleEntry(::GetModuleHandleW(nullptr), number);
    return MessageText(std::move(text), number);
}
