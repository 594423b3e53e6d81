#include "support/SampleTree.h"

#include "support/TestFiles.h"
#include "win/FolderEnumerator.h"

#include <gtest/gtest.h>

#include <algorithm>

DateTime PlanStartDate() {
    return DateTime::FromFields(2024, 3, 1, 0, 0, 0);
}

void PutFolder(const std::wstring& root, const std::wstring& relativeFolder) {
    size_t at = 0;
    for (;;) {
        const size_t slash = relativeFolder.find(L'\\', at);
        MakeFolder(root + relativeFolder.substr(0, slash));
        if (slash == std::wstring::npos)
            return;
        at = slash + 1;
    }
}

void PutFile(const std::wstring& root, const std::wstring& relativePath, const std::string& bytes,
             int year, int month, int day) {
    const size_t slash = relativePath.find_last_of(L'\\');
    if (slash != std::wstring::npos)
        PutFolder(root, relativePath.substr(0, slash));
    WriteBytes(root + relativePath, bytes);
    SetLastWriteLocal(root + relativePath, year, month, day, 12, 0, 0);
}

void PutNewLog(const std::wstring& root, const std::wstring& logFolder) {
    const std::wstring name = logFolder.substr(logFolder.find_last_of(L'\\') + 1);
    PutFile(root, logFolder + L"\\" + name + L".log", Utf8(logFolder) + " log");
}

std::wstring ConfiguratorInBuild(const std::wstring& variant) {
    return TestProgramFolder() + L"..\\configurators\\" + variant +
           (variant == L"disp" ? L"\\MERUDispCfg.exe" : L"\\MERUDomainCfg.exe");
}

void PutConfigurator(const std::wstring& root, const std::wstring& variant) {
    const bool disp = variant == L"disp";
    const std::wstring target =
        disp ? L"MERUDisp\\MERUDispCfg.exe" : L"MERUDomain\\MERUDomainCfg.exe";
    PutFolder(root, disp ? L"MERUDisp" : L"MERUDomain");
    if (!::CopyFileW(ConfiguratorInBuild(variant).c_str(), (root + target).c_str(), FALSE))
        ADD_FAILURE() << "cannot copy the stand-in " << Utf8(ConfiguratorInBuild(variant)) << ": "
                      << ::GetLastError();
}

std::string StandInExport(const std::string& program, const std::string& variant) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<Struct program=\"" + program +
           "\" variant=\"" + variant + "\"/>\r\n";
}

namespace {
void CollectTree(const std::wstring& folder, const std::wstring& prefix,
                 std::vector<std::string>& lines) {
    ForEachFoundEntry(folder + L"*", [&](const WIN32_FIND_DATAW& entry) {
        if (IsDots(entry))
            return;
        const std::wstring name = entry.cFileName;
        if (IsFolderEntry(entry)) {
            lines.push_back(Utf8(prefix + name + L"\\"));
            CollectTree(folder + name + L"\\", prefix + name + L"\\", lines);
        } else {
            lines.push_back(Utf8(prefix + name));
        }
    });
}
} // namespace

std::string ListTree(const std::wstring& folder) {
    std::vector<std::string> lines;
    CollectTree(folder, L"", lines);
    return Lines(lines);
}

std::string Lines(std::vector<std::string> lines) {
    std::sort(lines.begin(), lines.end());
    std::string text;
    for (const auto& line : lines)
        text += line + "\n";
    return text;
}
