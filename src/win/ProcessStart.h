// The one place a process is created, for the program, its tests, tools and
// benchmarks alike.
#pragma once

#include "win/Handles.h"

#include <windows.h>
#include <string>
#include <vector>

struct ProcessStart {
    // The program file the system starts; empty leaves it to the first
    // token of the command line (and the system's search for it).
    std::wstring application;
    // What the program receives, unchanged.
    std::wstring commandLine;
    // Empty: the current directory of the caller.
    std::wstring currentFolder;
    DWORD creationFlags = 0;
    // Started as this program itself was (GetStartupInfoW: its window's show
    // state, its console's title), rather than from a blank record.
    bool startupAsOwn = false;
    // When given, the process's standard output. An inheritable duplicate of
    // it, and the null device as standard input and error, are then the only
    // handles the process inherits; without it, it inherits none.
    HANDLE standardOutput = nullptr;
    // "NAME=value" entries set in the process's environment on top of this
    // program's own; empty: the environment unchanged.
    std::vector<std::wstring> environmentAdditions;
    // Created suspended, put into a job of its own that ends everything in
    // it once the job is closed, and only then resumed: nothing the process
    // starts can escape, nor outlive this program.
    bool ownJob = false;
};

struct StartedProcess {
    KernelHandle process;
    // Kept only when the caller asked for CREATE_SUSPENDED and resumes the
    // process itself; otherwise closed at once.
    KernelHandle thread;
    // The process's own job (ownJob); closing it ends whatever is left in it.
    KernelHandle job;
    DWORD processId = 0;
    // The system error of a refused start; 0 when the process runs.
    DWORD error = 0;

    explicit operator bool() const noexcept { return process.IsValid(); }

    // Ends the process and, with its own job, everything it started, then
    // waits at most `waitMs` for the process to be gone: ending is
    // asynchronous, and its files are not complete, nor free, until then.
    void EndTree(UINT exitCode, DWORD waitMs);
};

StartedProcess StartProcess(const ProcessStart& start);

// A PROC_THREAD_ATTRIBUTE_HANDLE_LIST for process creation. Windows refuses
// a list that names a handle which cannot be inherited, with
// ERROR_INVALID_PARAMETER, while Wine takes it; the list checks this itself
// so that a fault shows wherever the tests run.
class InheritedHandleList {
  public:
    explicit InheritedHandleList(std::vector<HANDLE> handles);
    ~InheritedHandleList();
    InheritedHandleList(const InheritedHandleList&) = delete;
    InheritedHandleList& operator=(const InheritedHandleList&) = delete;

    // Null when the list could not be made; Error() then says why.
    LPPROC_THREAD_ATTRIBUTE_LIST List() const { return m_list; }
    DWORD Error() const { return m_error; }

  private:
    std::vector<HANDLE> m_handles; // must outlive the process creation
    std::vector<BYTE> m_buffer;
    bool m_initialised = false;
    LPPROC_THREAD_ATTRIBUTE_LIST m_list = nullptr;
    DWORD m_error = 0;
};
