#include "ui/ProgramDialog.h"

#include "res/resource.h"
#include "win/ResourceText.h"

std::wstring CProgramDialog::HandlerFailedText() const {
    return LoadAddedResourceText(IDS_HANDLER_FAILED);
}
