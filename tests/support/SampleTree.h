// Builds small installations of the suite in a temporary folder and reads
// back whole output trees, for the plan and whole-run tests.
#pragma once

#include "win/DateTime.h"

#include <windows.h>
#include <string>
#include <vector>

// The start date of every plan test, and a time on each side of it.
DateTime PlanStartDate(); // 1 March 2024, 00:00:00
constexpr int kNewYear = 2024, kNewMonth = 3, kNewDay = 10;
constexpr int kOldYear = 2020, kOldMonth = 1, kOldDay = 15;

// Writes a file (its folders created as needed) last written at noon of the
// given day.
void PutFile(const std::wstring& root, const std::wstring& relativePath, const std::string& bytes,
             int year = kNewYear, int month = kNewMonth, int day = kNewDay);
// A log file written after the start date, named after its folder's last part.
void PutNewLog(const std::wstring& root, const std::wstring& logFolder);
// Creates the folder and the folders leading to it.
void PutFolder(const std::wstring& root, const std::wstring& relativeFolder);

// Copies a configurator stand-in of the build into the installation:
// variant "disp" gives MERUDisp\MERUDispCfg.exe, any other variant
// ("4.8.0.0", "noversion", ...) gives MERUDomain\MERUDomainCfg.exe.
void PutConfigurator(const std::wstring& root, const std::wstring& variant);
// The stand-in's program file in the build.
std::wstring ConfiguratorInBuild(const std::wstring& variant);

// What a stand-in writes to the -s path.
std::string StandInExport(const std::string& program, const std::string& variant);

// Every entry under `folder` (ends with a backslash), one per line, sorted,
// relative, with a backslash after folders.
std::string ListTree(const std::wstring& folder);
// The lines sorted, each ended by LF: the form ListTree gives.
std::string Lines(std::vector<std::string> lines);
