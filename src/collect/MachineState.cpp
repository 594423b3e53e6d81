#include "collect/MachineState.h"

#include "collect/CrashReports.h"
#include "collect/DrivesFile.h"
#include "collect/ProcessesFile.h"
#include "collect/ServicesFile.h"
#include "win/CriticalErrors.h"

namespace {
void WriteList(const CollectionContext& context, MachineList list, const wchar_t* fileName,
               const MachineTable& table) {
    const std::wstring path = context.datedFolder + fileName;
    context.ui.ShowProgress(path);
    if (table.unreadCode != 0)
        context.ui.Report(RunEvent::MachineListUnread(list, path, table.unreadCode));
    if (const DWORD error = WriteMachineTable(path, table))
        context.ui.Report(RunEvent::FileNotWritten(path, error));
    else
        context.ui.Report(
            RunEvent::MachineListWritten(list, path, table.rows.size(), table.suiteRows));
}
} // namespace

void WriteMachineState(const CollectionContext& context) {
    // No drive of the machine, asked here or by a copy from it, may stop the
    // run with the system's "no disk" box.
    CriticalErrorBoxesOff boxesOff;
    const std::wstring& root = context.installationRoot;
    const MachineLimits& limits = context.settings.machineLimits;
    WriteList(context, MachineList::Processes, L"processes.txt", ProcessTable(ReadProcesses(root)));
    WriteList(context, MachineList::Services, L"services.txt", ServiceTable(ReadServices(root)));
    const DriveList drives =
        ReadDrives(root, context.datedFolder, QueryDrive, limits.driveAnswerMs, context.ui);
    for (const DriveFacts& drive : drives.drives)
        if (!drive.answer)
            context.ui.Report(RunEvent::DriveNotAnswering(drive.root, drives.boundMs));
    WriteList(context, MachineList::Drives, L"drives.txt", DriveTable(drives));
    CopyCrashReports(context, MachineCrashPlaces(), SuitePrograms(root), limits.crashDumpBytes);
}
