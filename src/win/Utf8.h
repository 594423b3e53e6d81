#pragma once

#include <string>

// UTF-8 bytes of a wide text: for logs and test output, never for the
// program's own text files, which are in the thread's ANSI code page.
std::string Utf8(const std::wstring& text);
