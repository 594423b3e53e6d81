// An installation tree and a mirror base in a temporary folder.
#pragma once

#include "collect/CollectionContext.h"
#include "support/RecordingUi.h"
#include "support/TestFiles.h"
#include "win/Handles.h"

#include <gtest/gtest.h>

#include <string>

// Grows (with zeros, sparse where the file system can) or cuts a file to
// exactly `size` bytes. Bytes after a PE image do not change its resources.
inline void SetFileSize(const std::wstring& path, ULONGLONG size) {
    FileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(size);
    if (!file || !::SetFilePointerEx(file.Get(), position, nullptr, FILE_BEGIN) ||
        !::SetEndOfFile(file.Get()))
        ADD_FAILURE() << "cannot size " << Utf8(path) << ": " << ::GetLastError();
}

inline void CopyInto(const std::wstring& source, const std::wstring& target) {
    if (!::CopyFileW(source.c_str(), target.c_str(), FALSE))
        ADD_FAILURE() << "cannot copy " << Utf8(source) << ": " << ::GetLastError();
}

// Installation root and mirror base (both existing, both ending with a
// backslash) the way a run sees them.
class CollectFixture : public ::testing::Test {
  protected:
    CollectFixture() {
        MakeFolder(root);
        MakeFolder(m_temp.Path() + L"2024_03_10\\");
        MakeFolder(mirrorBase);
        own.Add(datedFolder);
        own.Add(mirrorBase);
    }

    TempFolder m_temp{L"collect"};
    const std::wstring root = m_temp.Path() + L"Suite\\";
    const std::wstring datedFolder = m_temp.Path() + L"2024_03_10\\";
    const std::wstring mirrorBase = datedFolder + L"MERUDrv\\";
    RecordingUi ui;
    RunSettings settings = TestRunSettings(m_temp.Path());
    OwnFolders own;

    // A folder under the mirror base as if the run had made it.
    void MakeOwnFolder(const std::wstring& folder) {
        MakeFolder(folder);
        own.Add(folder + L"\\");
    }

    // What a run with this root, mirror base and start date hands its steps.
    CollectionContext Context(const DateTime& startDate = DateTime()) {
        return {root, datedFolder, mirrorBase, startDate, settings, own, ui};
    }
};
