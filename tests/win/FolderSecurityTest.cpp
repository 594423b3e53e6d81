#include "support/TestFiles.h"
#include "win/FolderSecurity.h"

#include <gtest/gtest.h>

#include <sddl.h>

#include <string>
#include <vector>

namespace {
std::wstring SidText(PSID sid) {
    wchar_t* text = nullptr;
    ::ConvertSidToStringSidW(sid, &text);
    const LocalMemory freed(text);
    return text != nullptr ? text : L"?";
}

std::wstring OwnAccount() {
    HANDLE token = nullptr;
    ::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token);
    const KernelHandle owned(token);
    std::vector<BYTE> buffer(512);
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, buffer.data(), static_cast<DWORD>(buffer.size()),
                          &size);
    return SidText(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid);
}
} // namespace

// Wine neither keeps nor enforces a folder's access list, so what is proved
// here is the descriptor the folder is created with, read back through the
// system's own accessors.
TEST(FolderSecurity, OnlyTheAccountAdministratorsAndSystemMayChangeAndUsersMayRead) {
    DWORD error = 0;
    const LocalMemory descriptor = ProtectedFolderDescriptor(error);
    ASSERT_TRUE(descriptor) << error;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(::GetSecurityDescriptorControl(descriptor.Get(), &control, &revision));
    EXPECT_TRUE(control & SE_DACL_PROTECTED) << "the parent's entries would still apply";
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL dacl = nullptr;
    ASSERT_TRUE(::GetSecurityDescriptorDacl(descriptor.Get(), &present, &dacl, &defaulted));
    ASSERT_TRUE(present && dacl != nullptr);

    const BYTE inherited = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
    const struct {
        std::wstring sid;
        ACCESS_MASK mask;
    } expected[] = {
        {OwnAccount(), FILE_ALL_ACCESS},
        {L"S-1-5-32-544", FILE_ALL_ACCESS},                          // Administrators
        {L"S-1-5-18", FILE_ALL_ACCESS},                              // SYSTEM
        {L"S-1-5-32-545", FILE_GENERIC_READ | FILE_GENERIC_EXECUTE}, // Users
    };
    ASSERT_EQ(dacl->AceCount, std::size(expected));
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        ASSERT_TRUE(::GetAce(dacl, i, reinterpret_cast<void**>(&ace)));
        EXPECT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE) << i;
        EXPECT_EQ(ace->Header.AceFlags, inherited) << i;
        EXPECT_EQ(Utf8(SidText(&ace->SidStart)), Utf8(expected[i].sid)) << i;
        EXPECT_EQ(ace->Mask, expected[i].mask) << i;
    }

    TempFolder parent(L"protected");
    const std::wstring folder = parent.Path() + L"2019_04_05\\";
    EXPECT_EQ(CreateProtectedFolder(folder), 0u);
    EXPECT_TRUE(IsFolder(folder));
    EXPECT_EQ(CreateProtectedFolder(folder), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
}
