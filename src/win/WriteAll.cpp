#include "win/WriteAll.h"

DWORD WriteAll(HANDLE file, const void* bytes, size_t size) {
    // One call takes a DWORD count; a larger block goes in parts.
    constexpr size_t kMostPerCall = 0x40000000;
    const char* next = static_cast<const char*>(bytes);
    while (size > 0) {
        const DWORD part = static_cast<DWORD>(size < kMostPerCall ? size : kMostPerCall);
        DWORD written = 0;
        if (!::WriteFile(file, next, part, &written, nullptr)) {
            const DWORD code = ::GetLastError();
            return code != 0 ? code : ERROR_WRITE_FAULT;
        }
        if (written != part)
            return ERROR_DISK_FULL;
        next += part;
        size -= part;
    }
    return 0;
}
