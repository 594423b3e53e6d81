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

// Reads the product version from the fixed file information of a file's
// version resource. On failure returns false and leaves `version` as it was;
// `error` (when given) receives the last error of the failed call, or 0 when
// the file simply has no version data.
bool ReadProductVersion(const std::wstring& path, ProductVersion& version, DWORD* error = nullptr);

// "%d.%d.%d.%d"
std::wstring FormatProductVersion(const ProductVersion& version);
