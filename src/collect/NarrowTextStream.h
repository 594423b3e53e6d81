#pragma once

#include "collect/CollectionUi.h"
#include "win/Handles.h"

#include <windows.h>
#include <string>

// Wide text in the ANSI code page of the calling thread (CP_THREAD_ACP, no
// default character of our own); empty when the conversion yields nothing.
std::string ToNarrowText(const std::wstring& text);

// True when the ANSI code page of the calling thread holds every character
// of `text` (up to a first zero, as ToNarrowText reads it), so that
// converting loses nothing.
bool FitsAnsiCodePage(const std::wstring& text);

enum class TextEncoding {
    Ansi, // the thread's ANSI code page, no byte-order mark
    Utf8, // with a byte-order mark, which Notepad reads: for text the code page cannot hold
};

// The program's own text files: created new by wide path (one already there
// is not ours to write into), no sharing restriction, each LF stored as CR
// LF. A stream that failed to open swallows every write, and so does one
// whose write failed, so the file never holds a line after a gap.
class NarrowTextStream {
  public:
    NarrowTextStream(const std::wstring& path, TextEncoding encoding);
    ~NarrowTextStream();
    NarrowTextStream(const NarrowTextStream&) = delete;
    NarrowTextStream& operator=(const NarrowTextStream&) = delete;

    bool IsOpen() const { return m_file.IsValid(); }
    // The system error of the open or of the first write that failed; 0
    // while everything written so far has reached the file.
    DWORD Error() const { return m_error; }

    NarrowTextStream& operator<<(const std::string& bytes);
    NarrowTextStream& operator<<(const std::wstring& text);
    NarrowTextStream& operator<<(const char* bytes) { return *this << std::string(bytes); }
    NarrowTextStream& operator<<(unsigned long long number);

    // LF (stored as CR LF), then flush.
    void EndLine();
    void Flush();
    void Close();

  private:
    TextEncoding m_encoding;
    FileHandle m_file;
    std::string m_pending;
    DWORD m_error = 0;
};

// Tells the operator that one of the program's own text files (ReadMe.txt,
// WindowVersion.txt, Version.txt) at `path` could not be created or
// completely written; `code` is the failure's system error, 0 for none.
void ReportUnwrittenFile(const std::wstring& path, DWORD code, ICollectionUi& ui);
