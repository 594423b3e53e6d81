#pragma once

#include <string>

// UTF-8 bytes of a wide text.
std::string Utf8(const std::wstring& text);
