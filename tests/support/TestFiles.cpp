#include "support/TestFiles.h"

#include "win/FolderEnumerator.h"
#include "win/Handles.h"
#include "win/Module.h"

#include <gtest/gtest.h>

#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <stdexcept>
#include <vector>

namespace {
std::atomic<unsigned> g_counter{0};

std::wstring NewTempPath(const std::wstring& hint) {
    wchar_t temp[MAX_PATH + 1];
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, temp);
    if (length == 0)
        throw std::runtime_error("GetTempPathW failed");
    return std::wstring(temp, length) + L"dorvak-" + hint + L"-" +
           std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(++g_counter) + L"-" +
           std::to_wstring(::GetTickCount()) + L"\\";
}
} // namespace

TempFolder::TempFolder() : TempFolder(L"t") {}

TempFolder::TempFolder(const std::wstring& nameHint) : m_path(NewTempPath(nameHint)) {
    if (!::CreateDirectoryW(m_path.c_str(), nullptr))
        throw std::runtime_error("cannot create temporary folder");
}

TempFolder::~TempFolder() {
    RemoveTree(m_path);
}

void MakeFolder(const std::wstring& path) {
    if (!::CreateDirectoryW(path.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS)
        ADD_FAILURE() << "cannot create folder " << Utf8(path) << ": " << ::GetLastError();
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
    FileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        ADD_FAILURE() << "cannot create " << Utf8(path) << ": " << ::GetLastError();
        return;
    }
    DWORD written = 0;
    if (!bytes.empty() &&
        !::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
        ADD_FAILURE() << "cannot write " << Utf8(path);
}

std::string ReadBytes(const std::wstring& path) {
    FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        ADD_FAILURE() << "cannot open " << Utf8(path) << ": " << ::GetLastError();
        return std::string();
    }
    std::string bytes;
    char buffer[65536];
    DWORD read = 0;
    while (::ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr) && read > 0)
        bytes.append(buffer, read);
    return bytes;
}

bool Exists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void SetLastWriteLocal(const std::wstring& path, int year, int month, int day, int hour, int minute,
                       int second) {
    SYSTEMTIME local{};
    local.wYear = static_cast<WORD>(year);
    local.wMonth = static_cast<WORD>(month);
    local.wDay = static_cast<WORD>(day);
    local.wHour = static_cast<WORD>(hour);
    local.wMinute = static_cast<WORD>(minute);
    local.wSecond = static_cast<WORD>(second);
    FILETIME localFile{}, utc{};
    // The inverse of the program's FileTimeToLocalFileTime: the offset in
    // force now, applied alike to every time.
    if (!::SystemTimeToFileTime(&local, &localFile) ||
        !::LocalFileTimeToFileTime(&localFile, &utc)) {
        ADD_FAILURE() << "bad time for " << Utf8(path);
        return;
    }
    const bool folder = IsFolder(path);
    FileHandle file(::CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, folder ? FILE_FLAG_BACKUP_SEMANTICS : 0, nullptr));
    if (!file || !::SetFileTime(file.Get(), nullptr, nullptr, &utc))
        ADD_FAILURE() << "cannot set time of " << Utf8(path) << ": " << ::GetLastError();
}

std::wstring TestProgramFolder() {
    return ModuleFolder(nullptr);
}

std::wstring PeFile(const std::wstring& name) {
    return TestProgramFolder() + L"..\\pefiles\\" + name;
}

std::wstring ListFolder(const std::wstring& folder) {
    std::vector<std::wstring> names;
    ForEachFoundEntry(folder + L"*", [&](const WIN32_FIND_DATAW& entry) {
        if (!IsDots(entry))
            names.push_back(std::wstring(entry.cFileName) + (IsFolderEntry(entry) ? L"/" : L""));
    });
    std::sort(names.begin(), names.end());
    std::wstring out;
    for (const auto& name : names)
        out += (out.empty() ? L"" : L" ") + name;
    return out;
}

namespace {

std::vector<DWORD> ProcessesNamed(const std::wstring& fileName) {
    std::vector<DWORD> ids;
    FileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return ids;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot.Get(), &entry); more;
         more = ::Process32NextW(snapshot.Get(), &entry))
        if (::CompareStringOrdinal(entry.szExeFile, -1, fileName.c_str(), -1, TRUE) == CSTR_EQUAL)
            ids.push_back(entry.th32ProcessID);
    return ids;
}

} // namespace

::testing::AssertionResult NoProcessLeft(const std::wstring& fileName, DWORD timeoutMs) {
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    std::vector<DWORD> left = ProcessesNamed(fileName);
    while (!left.empty() && ::GetTickCount64() < deadline) {
        ::Sleep(50);
        left = ProcessesNamed(fileName);
    }
    if (left.empty())
        return ::testing::AssertionSuccess();
    // Ended here, or a process left over would outlive the test program and
    // keep the test runner waiting on the output it inherited.
    ::testing::AssertionResult failure = ::testing::AssertionFailure();
    failure << Utf8(fileName) << " still running after " << timeoutMs << " ms, ended:";
    for (DWORD id : left) {
        failure << " pid " << id;
        KernelHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
        if (!process) {
            failure << " (gone)";
            continue;
        }
        if (!::TerminateProcess(process.Get(), 1))
            failure << " (TerminateProcess " << ::GetLastError() << ")";
        else if (::WaitForSingleObject(process.Get(), 5000) != WAIT_OBJECT_0)
            failure << " (still running)";
    }
    return failure;
}
