#include "collect/ChildProcess.h"

#include "res/resource.h"
#include "win/Handles.h"
#include "win/ProcessStart.h"
#include "win/ResourceText.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

// A process attribute list naming the only handles a child may inherit.
class InheritedHandles {
  public:
    explicit InheritedHandles(std::vector<HANDLE> handles) : m_handles(std::move(handles)) {
        SIZE_T size = 0;
        ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        m_buffer.resize(size);
        auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(m_buffer.data());
        if (size == 0 || !::InitializeProcThreadAttributeList(list, 1, 0, &size))
            return;
        m_initialised = true;
        if (::UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST,
                                        m_handles.data(), m_handles.size() * sizeof(HANDLE),
                                        nullptr, nullptr))
            m_list = list;
    }
    ~InheritedHandles() {
        if (m_initialised)
            ::DeleteProcThreadAttributeList(
                reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(m_buffer.data()));
    }
    InheritedHandles(const InheritedHandles&) = delete;
    InheritedHandles& operator=(const InheritedHandles&) = delete;

    // Null when the system could not make the list; the handles are then
    // inherited along with any other inheritable handle of the program,
    // and the program makes none.
    LPPROC_THREAD_ATTRIBUTE_LIST List() const { return m_list; }

  private:
    std::vector<HANDLE> m_handles; // must outlive the process creation
    std::vector<BYTE> m_buffer;
    bool m_initialised = false;
    LPPROC_THREAD_ATTRIBUTE_LIST m_list = nullptr;
};

// An inheritable duplicate, so that the caller's handle never is: whatever
// else the program starts cannot pick it up.
KernelHandle InheritableCopy(HANDLE handle) {
    HANDLE copy = nullptr;
    if (!::DuplicateHandle(::GetCurrentProcess(), handle, ::GetCurrentProcess(), &copy, 0, TRUE,
                           DUPLICATE_SAME_ACCESS))
        return KernelHandle();
    return KernelHandle(copy);
}

// Waits for the process while letting paint messages through, and sent
// messages, which other programs' calls into our windows wait on; input
// stays queued. The queue is looked at at least every second even when
// nothing arrives: a thread that has not done so for five seconds counts as
// hung, and the system would then draw a ghost in place of the window, which
// takes clicks and offers to end the program. False at the limit.
bool WaitPainting(HANDLE process, DWORD limitMs, ICollectionUi& ui) {
    constexpr ULONGLONG kLookAtTheQueueMs = 1000;
    // Paint messages already pending are not "new" to the wait below: they
    // go through first, or the window would stay unpainted until the next.
    ui.LetPaintThrough();
    const ULONGLONG deadline = ::GetTickCount64() + limitMs;
    for (;;) {
        const ULONGLONG now = ::GetTickCount64();
        if (now >= deadline)
            return ::WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
        const DWORD slice = static_cast<DWORD>(std::min(deadline - now, kLookAtTheQueueMs));
        const DWORD woken =
            ::MsgWaitForMultipleObjectsEx(1, &process, slice, QS_PAINT | QS_SENDMESSAGE, 0);
        if (woken == WAIT_OBJECT_0)
            return true;
        if (woken == WAIT_OBJECT_0 + 1 || woken == WAIT_TIMEOUT) {
            ui.LetPaintThrough();
            continue;
        }
        // The wait itself failed: no painting then, but still no endless wait.
        return ::WaitForSingleObject(process, static_cast<DWORD>(deadline - now)) == WAIT_OBJECT_0;
    }
}

} // namespace

ChildResult RunAndWait(const ChildProgram& program, DWORD limitMs, ICollectionUi& ui) {
    STARTUPINFOEXW startup{};
    ::GetStartupInfoW(&startup.StartupInfo);
    startup.StartupInfo.cb = sizeof startup.StartupInfo;

    KernelHandle nullDevice;
    KernelHandle output;
    std::vector<HANDLE> inherited;
    if (program.standardOutput != nullptr) {
        SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
        HANDLE device =
            ::CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                          &inheritable, OPEN_EXISTING, 0, nullptr);
        if (device != INVALID_HANDLE_VALUE)
            nullDevice.Reset(device);
        output = InheritableCopy(program.standardOutput);
        if (!output)
            return ChildResult::NotStarted;
        inherited.push_back(output.Get());
        if (nullDevice)
            inherited.push_back(nullDevice.Get());
        startup.StartupInfo.dwFlags |= STARTF_USESTDHANDLES;
        startup.StartupInfo.hStdInput = nullDevice.Get();
        startup.StartupInfo.hStdOutput = output.Get();
        startup.StartupInfo.hStdError = nullDevice.Get();
        // The runtime's table of inherited descriptors would name handles
        // of whoever started this program, which the child does not get.
        startup.StartupInfo.cbReserved2 = 0;
        startup.StartupInfo.lpReserved2 = nullptr;
    }
    InheritedHandles handleList(inherited);
    DWORD flags = CREATE_SUSPENDED;
    if (handleList.List() != nullptr) {
        startup.lpAttributeList = handleList.List();
        startup.StartupInfo.cb = sizeof startup;
        flags |= EXTENDED_STARTUPINFO_PRESENT;
    }

    ProcessStart start;
    start.application = program.application;
    start.commandLine = program.commandLine;
    start.currentFolder = program.currentFolder;
    start.creationFlags = flags;
    start.inheritHandles = !inherited.empty();
    start.startup = &startup.StartupInfo;
    StartedProcess started = StartProcess(start);
    if (!started)
        return ChildResult::NotStarted;
    KernelHandle processHandle = std::move(started.process);
    KernelHandle threadHandle = std::move(started.thread);
    output.Reset();
    nullDevice.Reset();

    // Whatever the program starts joins its job before it can run, so at the
    // limit nothing it started outlives it. A system that refuses the job
    // (an older one, where this program itself already runs in a job) still
    // has the program itself ended.
    KernelHandle job(::CreateJobObjectW(nullptr, nullptr));
    if (job && !::AssignProcessToJobObject(job.Get(), processHandle.Get()))
        job.Reset();
    ::ResumeThread(threadHandle.Get());
    threadHandle.Reset();

    ui.ShowProgress(program.commandLine);
    if (WaitPainting(processHandle.Get(), limitMs, ui))
        return ChildResult::Ended;

    if (!job || !::TerminateJobObject(job.Get(), ERROR_TIMEOUT))
        ::TerminateProcess(processHandle.Get(), ERROR_TIMEOUT);
    // Ending is asynchronous; the capture file is not complete, nor free,
    // until the process is gone.
    ::WaitForSingleObject(processHandle.Get(), 30 * 1000);
    ui.ShowMessage(LoadResourceText(IDS_PROGRAM_TIMED_OUT) + program.commandLine, MB_ICONERROR);
    return ChildResult::TimedOut;
}
