#include "win/Utf8.h"

#include <windows.h>

namespace {
bool Convert(const std::wstring& text, DWORD flags, std::string& bytes) {
    bytes.clear();
    if (text.empty())
        return true;
    const int size = ::WideCharToMultiByte(
        CP_UTF8, flags, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return false;
    bytes.resize(static_cast<size_t>(size));
    ::WideCharToMultiByte(CP_UTF8, flags, text.data(), static_cast<int>(text.size()), bytes.data(),
                          size, nullptr, nullptr);
    return true;
}
} // namespace

std::string Utf8(const std::wstring& text) {
    std::string bytes;
    Convert(text, 0, bytes);
    return bytes;
}

bool ExactUtf8(const std::wstring& text, std::string& bytes) {
    return Convert(text, WC_ERR_INVALID_CHARS, bytes);
}
