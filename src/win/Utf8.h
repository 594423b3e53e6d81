#pragma once

#include <string>

// UTF-8 bytes of a wide text.
std::string Utf8(const std::wstring& text);

// The UTF-8 bytes of a text that is valid UTF-16; false, with `bytes`
// empty, for one that is not (a lone surrogate), which Utf8 would turn into
// U+FFFD, so that two different names could come out as one.
bool ExactUtf8(const std::wstring& text, std::string& bytes);
