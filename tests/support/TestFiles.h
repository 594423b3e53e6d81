// Real folders and files in the Wine drive for tests.
#pragma once

#include "shared/FileTree.h"
#include "win/Utf8.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <string>

// A new empty folder under the temporary folder, removed with everything in
// it when the object goes. Path() ends with a backslash.
class TempFolder {
  public:
    TempFolder();
    explicit TempFolder(const std::wstring& nameHint);
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::wstring& Path() const { return m_path; }

  private:
    std::wstring m_path;
};

void MakeFolder(const std::wstring& path);
void WriteBytes(const std::wstring& path, const std::string& bytes);
std::string ReadBytes(const std::wstring& path);
bool Exists(const std::wstring& path);
bool IsFolder(const std::wstring& path);
// Last-write time from local calendar fields, through the platform.
void SetLastWriteLocal(const std::wstring& path, int year, int month, int day, int hour, int minute,
                       int second);
// The folder that holds the running test program, with a trailing backslash.
std::wstring TestProgramFolder();
// A built file of tools/pefiles, with known versions and texts: the test
// programs sit in bin/, those in pefiles/ beside it.
std::wstring PeFile(const std::wstring& name);
// Sorted names of a folder's entries (without "." and ".."), "/" after folders.
std::wstring ListFolder(const std::wstring& folder);

// Whether every process started from a program file of this name (the file
// name alone, as the system lists processes) has gone within `timeoutMs`.
// Any still running then is ended at once, and the failure names each.
::testing::AssertionResult NoProcessLeft(const std::wstring& fileName, DWORD timeoutMs);
