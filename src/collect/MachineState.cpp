#include "collect/MachineState.h"

#include "collect/CrashReports.h"
#include "collect/DrivesFile.h"
#include "collect/ProcessesFile.h"
#include "collect/ServicesFile.h"
#include "win/CriticalErrors.h"

namespace {
void WriteList(const CollectionContext& context, const wchar_t* fileName,
               const MachineTable& table) {
    const std::wstring path = context.datedFolder + fileName;
    context.ui.ShowProgress(path);
    if (const DWORD error = WriteMachineTable(path, table))
        context.ui.Report(RunEvent::FileNotWritten(path, error));
}
} // namespace

void WriteMachineState(const CollectionContext& context) {
    // No drive of the machine, asked here or by a copy from it, may stop the
    // run with the system's "no disk" box.
    CriticalErrorBoxesOff boxesOff;
    const std::wstring& root = context.installationRoot;
    const MachineLimits& limits = context.settings.machineLimits;
    WriteList(context, L"processes.txt", ProcessTable(ReadProcesses(root)));
    WriteList(context, L"services.txt", ServiceTable(ReadServices(root)));
    const DriveList drives =
        ReadDrives(root, context.datedFolder, QueryDrive, limits.driveAnswerMs, context.ui);
    WriteList(context, L"drives.txt", DriveTable(drives));
    CopyCrashReports(context, MachineCrashPlaces(), SuitePrograms(root), limits.crashDumpBytes);
}
