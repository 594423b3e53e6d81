#include "win/KnownFolders.h"

#include "win/SystemFacts.h"

#include <windows.h>
#include <knownfolders.h>
#include <objbase.h>
#include <shlobj.h>

#include <memory>
#include <vector>

namespace {
struct TaskMemoryFree {
    void operator()(wchar_t* memory) const noexcept { ::CoTaskMemFree(memory); }
};

std::wstring KnownFolderPath(const KNOWNFOLDERID& id) {
    wchar_t* path = nullptr;
    const HRESULT result = ::SHGetKnownFolderPath(id, 0, nullptr, &path);
    // The buffer is the caller's to free even when the call fails.
    const std::unique_ptr<wchar_t, TaskMemoryFree> owned(path);
    if (FAILED(result) || path == nullptr)
        return std::wstring();
    return path;
}
} // namespace

std::wstring ProgramDataFolder() {
    return KnownFolderPath(FOLDERID_ProgramData);
}

std::wstring LocalAppDataFolder() {
    return KnownFolderPath(FOLDERID_LocalAppData);
}

std::wstring NativeSystemFolder() {
    std::vector<wchar_t> folder(MAX_PATH);
    for (;;) {
        const UINT length =
            ::GetSystemWindowsDirectoryW(folder.data(), static_cast<UINT>(folder.size()));
        if (length == 0)
            return std::wstring();
        if (length < folder.size()) {
            std::wstring windows(folder.data(), length);
            if (!windows.empty() && windows.back() == L'\\')
                windows.pop_back();
            return windows + (RunsUnderWow64() ? L"\\Sysnative" : L"\\System32");
        }
        folder.resize(length);
    }
}
