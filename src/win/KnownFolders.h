// Folders the system keeps for the machine and for the running account.
#pragma once

#include <string>

// Without a trailing backslash; empty when the system does not say.
std::wstring ProgramDataFolder();
std::wstring LocalAppDataFolder();

// The system folder of the Windows installation as Windows itself sees it:
// for a 32-bit program under WoW64 the "Sysnative" alias, since the name
// System32 would be redirected to the 32-bit SysWOW64. Without a trailing
// backslash; empty when the system does not say.
std::wstring NativeSystemFolder();
