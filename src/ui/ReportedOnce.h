#pragma once

#include "collect/RunEvent.h"

#include <windows.h>
#include <string>
#include <vector>

// Decides what the operator is told, leaving out what he has already been
// told in another form; the record hears everything regardless. A full
// output drive is told once per run: every later copy is still tried, since
// a smaller file may still fit, but nobody should confirm the same full
// drive for each of hundreds of files. A folder that could not be made is
// told once, and so is nothing that merely follows from it: the folders that
// cannot be made inside it, and the same folder left out of the archive.
class ReportedOnce {
  public:
    // False for an outcome the operator has already been told of; each call
    // counts as telling.
    bool ShouldTell(const RunEvent& event);

  private:
    bool m_fullDriveTold = false;
    std::vector<std::wstring> m_unmadeFolders;
};

// The codes of a drive with no room left for this account.
bool IsFullDrive(DWORD code);
