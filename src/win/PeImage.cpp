#include "win/PeImage.h"

#include "win/Handles.h"

namespace {
bool ReadAt(HANDLE file, LONG offset, void* data, DWORD size) {
    if (::SetFilePointer(file, offset, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER)
        return false;
    DWORD read = 0;
    return ::ReadFile(file, data, size, &read, nullptr) && read == size;
}
} // namespace

WORD ImageMachine(const std::wstring& path) {
    FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return 0;
    IMAGE_DOS_HEADER dos{};
    if (!ReadAt(file.Get(), 0, &dos, sizeof dos) || dos.e_magic != IMAGE_DOS_SIGNATURE ||
        dos.e_lfanew < 0)
        return 0;
    struct {
        DWORD signature;
        WORD machine;
    } header{};
    if (!ReadAt(file.Get(), dos.e_lfanew, &header,
                sizeof header.signature + sizeof header.machine) ||
        header.signature != IMAGE_NT_SIGNATURE)
        return 0;
    return header.machine;
}
