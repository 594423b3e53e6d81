#include "BenchSupport.h"

#include "collect/ProductPlan.h"
#include "ui/OperatorNotice.h"
#include "win/FolderEnumerator.h"
#include "win/Handles.h"
#include "win/Module.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cwchar>
#include <string>

void SilentUi::Report(const RunEvent& event) {
    if (!WentWrong(event))
        return;
    ++failures;
    std::fwprintf(stderr, L"failure %d: %ls (%lu)\n", static_cast<int>(event.Kind()),
                  event.Path().c_str(), static_cast<unsigned long>(event.Code()));
}

RunSettings BenchRunSettings(const std::wstring& captureFolder) {
    return RunSettings{kShippedWaitLimits, kShippedMachineLimits, SystemFolder(), captureFolder,
                       InvalidDateText()};
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

double Median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double Spread(const std::vector<double>& values) {
    if (values.empty())
        return 0;
    const auto [low, high] = std::minmax_element(values.begin(), values.end());
    return *high - *low;
}

void CollectSelection(const std::wstring& mirror, const std::wstring& relative,
                      Selection& selection) {
    ForEachFoundEntry(mirror + relative + L"*", [&](const WIN32_FIND_DATAW& entry) {
        if (IsDots(entry))
            return;
        const std::wstring name = entry.cFileName;
        if (IsFolderEntry(entry))
            CollectSelection(mirror, relative + name + L"\\", selection);
        else if (name != L"Version.txt")
            selection[relative.substr(0, relative.size() - 1)].insert(name);
    });
}

unsigned long CountFiles(const Selection& selection) {
    unsigned long count = 0;
    for (const auto& folder : selection)
        count += static_cast<unsigned long>(folder.second.size());
    return count;
}

namespace {

void MakeFolders(const std::wstring& base, const std::wstring& relative) {
    for (size_t at = relative.find(L'\\'); at != std::wstring::npos;
         at = relative.find(L'\\', at + 1))
        ::CreateDirectoryW((base + relative.substr(0, at)).c_str(), nullptr);
    ::CreateDirectoryW((base + relative).c_str(), nullptr);
}

std::string Narrow(const std::wstring& text) {
    const int size =
        ::WideCharToMultiByte(CP_THREAD_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1)
        return std::string();
    std::string bytes(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(CP_THREAD_ACP, 0, text.c_str(), -1, bytes.data(), size, nullptr, nullptr);
    bytes.resize(static_cast<size_t>(size) - 1);
    return bytes;
}

std::wstring InventoryLine(const std::wstring& path, const WIN32_FIND_DATAW& data) {
    std::wstring line = data.cFileName;
    const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), nullptr);
    if (size != 0) {
        std::vector<BYTE> block(size);
        VS_FIXEDFILEINFO* info = nullptr;
        UINT length = 0;
        if (::GetFileVersionInfoW(path.c_str(), 0, size, block.data()) &&
            ::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &length) &&
            info != nullptr) {
            wchar_t version[64];
            std::swprintf(version, 64, L"\tv%u.%u.%u.%u", HIWORD(info->dwProductVersionMS),
                          LOWORD(info->dwProductVersionMS), HIWORD(info->dwProductVersionLS),
                          LOWORD(info->dwProductVersionLS));
            line += version;
        }
    }
    FILETIME local;
    SYSTEMTIME time{};
    ::FileTimeToLocalFileTime(&data.ftLastWriteTime, &local);
    ::FileTimeToSystemTime(&local, &time);
    wchar_t rest[96];
    std::swprintf(rest, 96, L"\t%02u.%02u.%02u %02u:%02u:%02u\t%llu\r\n", time.wDay, time.wMonth,
                  time.wYear % 100, time.wHour, time.wMinute, time.wSecond,
                  (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
    return line + rest;
}

} // namespace

unsigned long MinimalCopy(const std::wstring& root, const std::wstring& mirror,
                          const Selection& selection,
                          const std::function<void(const std::wstring&)>& beforeCopy) {
    unsigned long copied = 0;
    ::CreateDirectoryW(mirror.c_str(), nullptr);
    for (const auto& [folder, names] : selection) {
        MakeFolders(mirror, folder);
        const std::wstring source = root + folder + L"\\";
        const std::wstring destination = mirror + folder + L"\\";
        CFolderEnumerator entries(source + L"*");
        WIN32_FIND_DATAW entry;
        while (entries.Next(entry)) {
            if (names.count(entry.cFileName) == 0)
                continue;
            const std::wstring target = destination + entry.cFileName;
            if (beforeCopy)
                beforeCopy(target);
            if (::CopyFileW((source + entry.cFileName).c_str(), target.c_str(), FALSE))
                ++copied;
        }
    }
    return copied;
}

unsigned long MinimalInventories(const std::wstring& root, const std::wstring& mirror) {
    unsigned long lines = 0;
    for (const std::wstring& folder : PlanInventoryFolders()) {
        const std::wstring source = root + folder + L"\\";
        const DWORD attributes = ::GetFileAttributesW((root + folder).c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
            continue;
        ::CreateDirectoryW((mirror + folder).c_str(), nullptr);
        FileHandle file(::CreateFileW((mirror + folder + L"\\Version.txt").c_str(),
                                      FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        for (const wchar_t* pattern : {L"*.exe", L"*.dll"}) {
            CFolderEnumerator entries(source + pattern);
            WIN32_FIND_DATAW entry;
            while (entries.Next(entry)) {
                const std::string line = Narrow(InventoryLine(source + entry.cFileName, entry));
                DWORD written = 0;
                ::WriteFile(file.Get(), line.data(), static_cast<DWORD>(line.size()), &written,
                            nullptr);
                ++lines;
            }
        }
    }
    return lines;
}
