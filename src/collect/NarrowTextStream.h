#pragma once

#include "collect/CollectionUi.h"
#include "win/Handles.h"

#include <windows.h>
#include <string>

// Wide text in the ANSI code page of the calling thread (CP_THREAD_ACP, no
// default character of our own); empty when the conversion yields nothing.
std::string ToNarrowText(const std::wstring& text);

// The program's own text files: opened by wide path for appending (created
// when missing, no sharing restriction), each LF stored as CR LF, no
// byte-order mark. A stream that failed to open swallows every write, and so
// does one whose write failed, so the file never holds a line after a gap.
class NarrowTextStream {
  public:
    explicit NarrowTextStream(const std::wstring& path);
    ~NarrowTextStream();
    NarrowTextStream(const NarrowTextStream&) = delete;
    NarrowTextStream& operator=(const NarrowTextStream&) = delete;

    bool IsOpen() const { return m_file.IsValid(); }
    // The system error of the open or of the first write that failed; 0
    // while everything written so far has reached the file.
    DWORD Error() const { return m_error; }

    NarrowTextStream& operator<<(const std::string& bytes);
    NarrowTextStream& operator<<(const std::wstring& text) { return *this << ToNarrowText(text); }
    NarrowTextStream& operator<<(const char* bytes) { return *this << std::string(bytes); }
    NarrowTextStream& operator<<(unsigned long long number);

    // LF (stored as CR LF), then flush.
    void EndLine();
    void Flush();
    void Close();

  private:
    FileHandle m_file;
    std::string m_pending;
    DWORD m_error = 0;
};

// Tells the operator that one of the program's own text files (ReadMe.txt,
// WindowVersion.txt, Version.txt) at `path` could not be created or
// completely written; `code` is the failure's system error, 0 for none.
void ReportUnwrittenFile(const std::wstring& path, DWORD code, ICollectionUi& ui);
