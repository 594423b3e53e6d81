#include "collect/CollectionRun.h"

#include "collect/CollectionContext.h"
#include "collect/MachineState.h"
#include "collect/ProductPlan.h"
#include "collect/RunArchive.h"
#include "collect/SnapshotFiles.h"
#include "win/FolderSecurity.h"
#include "win/SystemFacts.h"

std::wstring DatedFolderPath(const std::wstring& installationRoot, const DateTime& startDate) {
    // A day picked in the calendar: never invalid, so never worded as such.
    return installationRoot + startDate.Format(L"%Y_%m_%d", std::wstring()) + L"\\";
}

bool RunCollection(const CollectionRequest& request, ICollectionUi& ui) {
    const std::wstring datedFolder = DatedFolderPath(request.installationRoot, request.startDate);

    // Creating the dated folder is also the guard against writing into an
    // earlier run's output: only the creator of the folder goes on. Nobody
    // else may then put anything into it while the run goes on.
    if (const DWORD error = CreateProtectedFolder(datedFolder)) {
        if (error == ERROR_ALREADY_EXISTS)
            ui.Report(RunEvent::DatedFolderExists(datedFolder));
        else
            ui.Report(RunEvent::FolderNotCreated(datedFolder, error));
        return false;
    }

    // In a folder just made, a mirror base already there is not the run's.
    const std::wstring mirrorBase = datedFolder + L"MERUDrv\\";
    if (!::CreateDirectoryW(mirrorBase.c_str(), nullptr)) {
        const DWORD error = ::GetLastError();
        ui.Report(RunEvent::FolderNotCreated(mirrorBase, error));
        return false;
    }
    OwnFolders ownFolders;
    ownFolders.Add(datedFolder);
    ownFolders.Add(mirrorBase);

    ui.Report(RunEvent::DatedFolderCreated(datedFolder));
    const CollectionContext context{
        request.installationRoot, datedFolder, mirrorBase, request.startDate,
        request.settings,         ownFolders,  ui};
    WriteSnapshotFiles(context, request.description);
    // Before the plan starts the configurators, as the trouble left it.
    WriteMachineState(context);
    WalkProductPlan(context);
    const RunArchive archive = PackDatedFolder(context, ComputerName());

    ui.Report(RunEvent::RunSaved(datedFolder, archive.path, archive.size, archive.held));
    return true;
}
