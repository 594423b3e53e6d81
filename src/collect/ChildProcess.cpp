#include "collect/ChildProcess.h"

#include "win/ProcessStart.h"

#include <algorithm>
#include <optional>

namespace {

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

// What the program left in the file it was handed, asked of our own handle:
// the directory entry of a file another process has just written may lag.
std::optional<unsigned long long> WrittenSize(HANDLE file) {
    LARGE_INTEGER size{};
    if (file == nullptr || !::GetFileSizeEx(file, &size))
        return std::nullopt;
    return static_cast<unsigned long long>(size.QuadPart);
}

} // namespace

ChildResult RunAndWait(const ChildProgram& program, DWORD limitMs, ICollectionUi& ui) {
    ProcessStart start;
    start.application = program.application;
    start.commandLine = program.commandLine;
    start.currentFolder = program.currentFolder;
    start.startupAsOwn = true;
    start.standardOutput = program.standardOutput;
    start.environmentAdditions = program.environmentAdditions;
    start.ownJob = true;
    const ULONGLONG startedAt = ::GetTickCount64();
    StartedProcess started = StartProcess(start);
    if (!started) {
        ui.Report(RunEvent::ProgramNotStarted(program.role, program.commandLine, program.output,
                                              started.error));
        return ChildResult::NotStarted;
    }
    ui.Report(RunEvent::ProgramStarted(program.role, program.commandLine, program.output));

    const bool ended = WaitPainting(started.process.Get(), limitMs, ui);
    if (!ended)
        started.EndTree(ERROR_TIMEOUT, 30 * 1000);
    const ULONGLONG durationMs = ::GetTickCount64() - startedAt;
    const std::optional<unsigned long long> outputSize = WrittenSize(program.standardOutput);
    if (!ended) {
        ui.Report(RunEvent::ProgramEndedAtLimit(program.role, program.commandLine, program.output,
                                                durationMs, outputSize));
        return ChildResult::TimedOut;
    }
    DWORD exitCode = 0;
    if (!::GetExitCodeProcess(started.process.Get(), &exitCode))
        exitCode = 0;
    ui.Report(RunEvent::ProgramEnded(program.role, program.commandLine, program.output, exitCode,
                                     durationMs, outputSize));
    return ChildResult::Ended;
}
