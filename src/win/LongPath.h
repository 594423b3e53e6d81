#pragma once

#include <string>

// The path in the `\\?\` form that every wide file call accepts past 260
// characters, whatever the system's long-path setting (Windows 7 has none):
// made absolute and normalised first, since that form is taken literally.
// A path already in that form (or a device path), or one that cannot be made absolute, comes
// back unchanged.
std::wstring ExtendedLengthPath(const std::wstring& path);
