#include "win/Module.h"

#include <vector>

namespace {
HINSTANCE g_activeResourceModule = nullptr;
}

std::wstring ModuleFileName(HMODULE module) {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return std::wstring();
        if (length < buffer.size())
            return std::wstring(buffer.data(), length);
        if (buffer.size() >= 32768)
            return std::wstring();
        buffer.resize(buffer.size() * 2);
    }
}

std::wstring ProgramName() {
    std::wstring name = ModuleFileName(nullptr);
    const size_t slash = name.find_last_of(L"\\/");
    if (slash != std::wstring::npos)
        name.erase(0, slash + 1);
    const size_t dot = name.rfind(L'.');
    if (dot != std::wstring::npos)
        name.erase(dot);
    return name;
}

std::wstring ModuleFolder(HMODULE module) {
    const std::wstring path = ModuleFileName(module);
    const size_t slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

std::wstring SystemFolder() {
    std::wstring folder(MAX_PATH, L'\0');
    for (;;) {
        const UINT length = ::GetSystemDirectoryW(folder.data(), static_cast<UINT>(folder.size()));
        if (length == 0)
            return std::wstring();
        if (length < folder.size()) {
            folder.resize(length);
            return folder;
        }
        // Too small: the answer is the size needed, terminator included.
        folder.resize(length);
    }
}

HINSTANCE ActiveResourceModule() {
    return g_activeResourceModule != nullptr ? g_activeResourceModule : ::GetModuleHandleW(nullptr);
}

HINSTANCE AddedDialogTemplateModule(UINT templateId) {
    const HINSTANCE active = ActiveResourceModule();
    if (::FindResourceW(active, MAKEINTRESOURCEW(templateId), RT_DIALOG) != nullptr)
        return active;
    return ::GetModuleHandleW(nullptr);
}

void SetActiveResourceModule(HINSTANCE module) {
    g_activeResourceModule = module;
}
