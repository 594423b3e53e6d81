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
// The module a dialog template comes from: the active resource module when
// it holds the template, else the program itself, so that a dialog added
// after a site's library was made still opens.
HINSTANCE DialogTemplateModule(UINT templateId);
void SetActiveResourceModule(HINSTANCE module);
