// Facts about the machine that a record of the run names; each is read
// when asked, none is kept.
#pragma once

#include <windows.h>
#include <string>

// The computer's NetBIOS name; empty when the system does not say.
std::wstring ComputerName();

// True for a 32-bit process on 64-bit Windows.
bool RunsUnderWow64();
