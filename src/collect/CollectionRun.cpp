#include "collect/CollectionRun.h"

#include "collect/FullDriveFilter.h"
#include "collect/ProductPlan.h"
#include "collect/SnapshotFiles.h"
#include "res/resource.h"
#include "win/ResourceText.h"

std::wstring DatedFolderPath(const std::wstring& installationRoot, const DateTime& startDate) {
    return installationRoot + startDate.Format(L"%Y_%m_%d") + L"\\";
}

bool RunCollection(const CollectionRequest& request, ICollectionUi& dialogUi) {
    FullDriveReportedOnce ui(dialogUi);
    const std::wstring datedFolder = DatedFolderPath(request.installationRoot, request.startDate);

    // Creating the dated folder is also the guard against writing into an
    // earlier run's output: only the creator of the folder goes on.
    if (!::CreateDirectoryW(datedFolder.c_str(), nullptr)) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_ALREADY_EXISTS) {
            ui.ShowMessage(LoadResourceText(IDS_FOLDER) + datedFolder +
                               LoadResourceText(IDS_FOLDER_EXISTS),
                           MB_ICONERROR);
        } else {
            ui.ReportSystemError(LoadResourceText(IDS_CREATE_FOLDER_FAILED) + datedFolder, error);
        }
        return false;
    }

    const std::wstring mirrorBase = datedFolder + L"MERUDrv\\";
    if (!::CreateDirectoryW(mirrorBase.c_str(), nullptr)) {
        const DWORD error = ::GetLastError();
        if (error != ERROR_ALREADY_EXISTS) {
            ui.ReportSystemError(LoadResourceText(IDS_CREATE_FOLDER_FAILED) + mirrorBase, error);
            return false;
        }
    }

    WriteSnapshotFiles(datedFolder, request.description, ui, request.commandFolder,
                       request.waitLimits.captureMs);
    WalkProductPlan({request.installationRoot, mirrorBase, request.startDate, ui},
                    request.waitLimits.configuratorMs);

    ui.ShowMessage(LoadResourceText(IDS_SAVED_TO) + datedFolder +
                       LoadResourceText(IDS_SEND_TO_SUPPORT),
                   MB_ICONINFORMATION);
    return true;
}
