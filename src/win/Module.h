#pragma once

#include <windows.h>
#include <string>

// Full path of a loaded module, however long; empty on failure.
std::wstring ModuleFileName(HMODULE module);

// The program's name: the executable's file name without its extension.
std::wstring ProgramName();

// The folder that holds a loaded module, with its trailing backslash.
std::wstring ModuleFolder(HMODULE module);

// The system folder without a trailing backslash, however long; empty when
// the system does not say.
std::wstring SystemFolder();

// The module that dialog templates, the program icon (IDI_DORVAK) and string-table texts come
// from: the program itself, or the suite's resource library once accepted.
HINSTANCE ActiveResourceModule();
// For the dialogs this program added to the suite's set: the active
// resource module when it holds the template, else the program itself, so
// that a site's older library never keeps the dialog from opening.
HINSTANCE AddedDialogTemplateModule(UINT templateId);
void SetActiveResourceModule(HINSTANCE module);
