// Removing whole folders, for the tests, the tools and the benchmarks.
#pragma once

#include <string>

// Removes a folder (with or without its trailing backslash) and everything
// in it, read-only entries included; true when it is gone afterwards.
bool RemoveTree(const std::wstring& folder);
