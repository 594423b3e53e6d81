#include "win/FolderSecurity.h"

#include <sddl.h>

#include <vector>

namespace {
// The account this program runs as, in SDDL's form (S-1-5-21-...).
DWORD CurrentAccount(std::wstring& sid) {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token))
        return ::GetLastError();
    const KernelHandle owned(token);
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    if (size == 0)
        return ::GetLastError();
    std::vector<BYTE> buffer(size);
    if (!::GetTokenInformation(token, TokenUser, buffer.data(), size, &size))
        return ::GetLastError();
    wchar_t* text = nullptr;
    if (!::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text))
        return ::GetLastError();
    const LocalMemory freed(text);
    sid = text;
    return 0;
}
} // namespace

LocalMemory ProtectedFolderDescriptor(DWORD& error) {
    std::wstring account;
    error = CurrentAccount(account);
    if (error != 0)
        return LocalMemory();
    // P: no entries inherited from the parent; OICI: files and folders made
    // inside inherit each entry. FA full control, 0x1200a9 read and execute
    // (list the folder, read its files and attributes).
    const std::wstring sddl =
        L"D:P(A;OICI;FA;;;" + account + L")(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)";
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1,
                                                                &descriptor, nullptr)) {
        error = ::GetLastError();
        return LocalMemory();
    }
    return LocalMemory(descriptor);
}

DWORD CreateProtectedFolder(const std::wstring& path) {
    DWORD error = 0;
    const LocalMemory descriptor = ProtectedFolderDescriptor(error);
    if (!descriptor)
        return error;
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor.Get(), FALSE};
    if (!::CreateDirectoryW(path.c_str(), &attributes))
        return ::GetLastError();
    return 0;
}
