#include "win/ProcessStart.h"

#include <cwchar>
#include <memory>
#include <utility>

InheritedHandleList::InheritedHandleList(std::vector<HANDLE> handles)
    : m_handles(std::move(handles)) {
    if (m_handles.empty()) {
        m_error = ERROR_INVALID_PARAMETER;
        return;
    }
    for (HANDLE handle : m_handles) {
        DWORD flags = 0;
        if (!::GetHandleInformation(handle, &flags) || (flags & HANDLE_FLAG_INHERIT) == 0) {
            m_error = ERROR_INVALID_PARAMETER;
            return;
        }
    }
    SIZE_T size = 0;
    ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    m_buffer.resize(size);
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(m_buffer.data());
    if (size == 0 || !::InitializeProcThreadAttributeList(list, 1, 0, &size)) {
        m_error = ::GetLastError();
        return;
    }
    m_initialised = true;
    if (!::UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, m_handles.data(),
                                     m_handles.size() * sizeof(HANDLE), nullptr, nullptr)) {
        m_error = ::GetLastError();
        return;
    }
    m_list = list;
}

InheritedHandleList::~InheritedHandleList() {
    if (m_initialised)
        ::DeleteProcThreadAttributeList(
            reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(m_buffer.data()));
}

namespace {

DWORD LastErrorOr(DWORD fallback) {
    const DWORD error = ::GetLastError();
    return error != 0 ? error : fallback;
}

// An inheritable duplicate, so that the caller's handle never is: whatever
// else the program starts at the same time cannot pick it up.
KernelHandle InheritableCopy(HANDLE handle) {
    HANDLE copy = nullptr;
    if (!::DuplicateHandle(::GetCurrentProcess(), handle, ::GetCurrentProcess(), &copy, 0, TRUE,
                           DUPLICATE_SAME_ACCESS))
        return KernelHandle();
    return KernelHandle(copy);
}

KernelHandle InheritableNullDevice() {
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    HANDLE device =
        ::CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                      &inheritable, OPEN_EXISTING, 0, nullptr);
    return KernelHandle(device == INVALID_HANDLE_VALUE ? nullptr : device);
}

bool NameMatches(const wchar_t* entry, const std::wstring& addition) {
    const size_t nameLength = addition.find(L'=');
    return nameLength != std::wstring::npos &&
           ::CompareStringOrdinal(entry, static_cast<int>(nameLength), addition.c_str(),
                                  static_cast<int>(nameLength), TRUE) == CSTR_EQUAL &&
           entry[nameLength] == L'=';
}

// This program's environment with the additions set, as a block of
// zero-ended entries closed by one more zero.
std::vector<wchar_t> EnvironmentWith(const std::vector<std::wstring>& additions) {
    std::vector<wchar_t> block;
    if (wchar_t* own = ::GetEnvironmentStringsW()) {
        for (const wchar_t* entry = own; *entry != L'\0'; entry += std::wcslen(entry) + 1) {
            bool replaced = false;
            for (const std::wstring& addition : additions)
                replaced = replaced || NameMatches(entry, addition);
            if (!replaced)
                block.insert(block.end(), entry, entry + std::wcslen(entry) + 1);
        }
        ::FreeEnvironmentStringsW(own);
    }
    for (const std::wstring& addition : additions) {
        block.insert(block.end(), addition.begin(), addition.end());
        block.push_back(L'\0');
    }
    block.push_back(L'\0');
    return block;
}

} // namespace

void StartedProcess::EndTree(UINT exitCode, DWORD waitMs) {
    if (!process)
        return;
    if (!job || !::TerminateJobObject(job.Get(), exitCode))
        ::TerminateProcess(process.Get(), exitCode);
    ::WaitForSingleObject(process.Get(), waitMs);
}

StartedProcess StartProcess(const ProcessStart& start) {
    StartedProcess started;
    // CreateProcessW may write into the command line, so it gets its own
    // copy, as long as the line is: no fixed buffer cuts a deep path short.
    std::vector<wchar_t> writable(start.commandLine.begin(), start.commandLine.end());
    writable.push_back(L'\0');

    STARTUPINFOEXW startup{};
    if (start.startupAsOwn)
        ::GetStartupInfoW(&startup.StartupInfo);
    startup.StartupInfo.cb = sizeof startup.StartupInfo;
    // The runtime's table of inherited descriptors would name handles of
    // whoever started this program, which the child does not get.
    startup.StartupInfo.cbReserved2 = 0;
    startup.StartupInfo.lpReserved2 = nullptr;
    DWORD flags = start.creationFlags;

    KernelHandle output;
    KernelHandle nullDevice;
    std::vector<HANDLE> inherited;
    if (start.standardOutput != nullptr) {
        output = InheritableCopy(start.standardOutput);
        nullDevice = InheritableNullDevice();
        if (!output || !nullDevice) {
            started.error = LastErrorOr(ERROR_INVALID_HANDLE);
            return started;
        }
        inherited = {output.Get(), nullDevice.Get()};
        startup.StartupInfo.dwFlags |= STARTF_USESTDHANDLES;
        startup.StartupInfo.hStdInput = nullDevice.Get();
        startup.StartupInfo.hStdOutput = output.Get();
        startup.StartupInfo.hStdError = nullDevice.Get();
    } else {
        // Handles this program was started with are not the child's.
        startup.StartupInfo.dwFlags &= ~static_cast<DWORD>(STARTF_USESTDHANDLES);
    }
    // Built only when there is something to inherit: Windows refuses an
    // empty list, which Wine would take.
    std::unique_ptr<InheritedHandleList> handleList;
    if (!inherited.empty()) {
        handleList = std::make_unique<InheritedHandleList>(inherited);
        if (handleList->List() == nullptr) {
            started.error = handleList->Error();
            return started;
        }
        startup.lpAttributeList = handleList->List();
        startup.StartupInfo.cb = sizeof startup;
        flags |= EXTENDED_STARTUPINFO_PRESENT;
    }

    std::vector<wchar_t> environment;
    if (!start.environmentAdditions.empty()) {
        environment = EnvironmentWith(start.environmentAdditions);
        flags |= CREATE_UNICODE_ENVIRONMENT;
    }
    if (start.ownJob)
        flags |= CREATE_SUSPENDED;

    PROCESS_INFORMATION created{};
    if (!::CreateProcessW(start.application.empty() ? nullptr : start.application.c_str(),
                          writable.data(), nullptr, nullptr, inherited.empty() ? FALSE : TRUE,
                          flags, environment.empty() ? nullptr : environment.data(),
                          start.currentFolder.empty() ? nullptr : start.currentFolder.c_str(),
                          &startup.StartupInfo, &created)) {
        started.error = LastErrorOr(ERROR_INVALID_FUNCTION);
        return started;
    }
    started.process.Reset(created.hProcess);
    started.processId = created.dwProcessId;
    KernelHandle thread(created.hThread);

    if (start.ownJob) {
        // A system that refuses the job (an older one, where this program
        // already runs in a job of its own) still runs the process; only
        // the process itself can then be ended.
        started.job.Reset(::CreateJobObjectW(nullptr, nullptr));
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        if (started.job &&
            (!::SetInformationJobObject(started.job.Get(), JobObjectExtendedLimitInformation,
                                        &limits, sizeof limits) ||
             !::AssignProcessToJobObject(started.job.Get(), started.process.Get())))
            started.job.Reset();
        if (::ResumeThread(thread.Get()) == static_cast<DWORD>(-1)) {
            started.error = LastErrorOr(ERROR_INVALID_FUNCTION);
            ::TerminateProcess(started.process.Get(), started.error);
            started.process.Reset();
            started.job.Reset();
            return started;
        }
    } else if (start.creationFlags & CREATE_SUSPENDED) {
        started.thread = std::move(thread);
    }
    return started;
}
