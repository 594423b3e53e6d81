#pragma once

#include <windows.h>
#include <string>

// A product version in display order: first.second.third.fourth.
struct ProductVersion {
    WORD first = 0;
    WORD second = 0;
    WORD third = 0;
    WORD fourth = 0;
};

// Which step of reading a version resource failed.
enum class VersionReadFailure {
    None,
    NoVersionData,      // GetFileVersionInfoSizeW gave 0: missing file or no resource
    GetFileVersionInfo, // the data could not be read
    VerQueryValue,      // the fixed file information is not in the data
};

// Reads the product version from the fixed file information of a file's
// version resource. On failure returns false and leaves `version` as it was;
// `failure` and `error` (when given) tell which call failed and its last
// error (0 for a file without version data).
bool ReadProductVersion(const std::wstring& path, ProductVersion& version,
                        VersionReadFailure* failure = nullptr, DWORD* error = nullptr);

// "%d.%d.%d.%d"
std::wstring FormatProductVersion(const ProductVersion& version);
