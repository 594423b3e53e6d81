// What the program relies on from the system in each of the places it runs:
// as a 32-bit process on 64-bit Windows (WoW64), on 32-bit Windows, and as a
// 64-bit process. ctest runs this program in each of those Wine prefixes.
#include "collect/SnapshotFiles.h"
#include "support/RecordingUi.h"
#include "support/TestFiles.h"
#include "win/Module.h"
#include "win/Utf8.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {
constexpr bool kThirtyTwoBitProgram = sizeof(void*) == 4;

// Which Windows ctest set the prefix up as: DORVAK_WINEARCH=win32 for a
// 32-bit-only prefix, 64-bit otherwise. The same setting makes the prefix,
// so it is what the system's answers are checked against.
bool OnThirtyTwoBitWindows() {
    std::wstring value(16, L'\0');
    const DWORD length = ::GetEnvironmentVariableW(L"DORVAK_WINEARCH", value.data(),
                                                   static_cast<DWORD>(value.size()));
    return length > 0 && length < value.size() && value.substr(0, length) == L"win32";
}

bool SameTextIgnoringCase(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                  static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// A capture file written by cmd /U: UTF-16 without a byte-order mark.
std::wstring ReadUnicodeCapture(const std::wstring& path) {
    const std::string bytes = ReadBytes(path);
    std::wstring text(bytes.size() / 2, L'\0');
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                       (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    return text;
}
// Runs `command` the way the captures do: through the system folder's
// interpreter with /U /Q /C, its output into folder + fileName, in `folder`.
bool Capture(const std::wstring& folder, const std::wstring& command, const wchar_t* fileName,
             RecordingUi& ui) {
    const CaptureCommand capture{command.c_str(), fileName};
    const RunSettings settings = TestRunSettings(folder);
    OwnFolders own;
    return RunCaptureCommand({L"", folder, folder + L"MERUDrv\\", DateTime(), settings, own, ui},
                             capture);
}
} // namespace

TEST(Bitness, ProcessIsUnderWow64ExactlyWhenA32BitProgramRunsOn64BitWindows) {
    BOOL wow64 = TRUE;
    ASSERT_TRUE(::IsWow64Process(::GetCurrentProcess(), &wow64));
    EXPECT_EQ(wow64 != FALSE, kThirtyTwoBitProgram && !OnThirtyTwoBitWindows());

    SYSTEM_INFO native{};
    ::GetNativeSystemInfo(&native);
    EXPECT_EQ(native.wProcessorArchitecture, OnThirtyTwoBitWindows()
                                                 ? PROCESSOR_ARCHITECTURE_INTEL
                                                 : PROCESSOR_ARCHITECTURE_AMD64);
}

TEST(Bitness, SystemFolderIsSystem32WhateverTheProcessBitness) {
    // Under WoW64 the name stays system32; the file system redirects it.
    EXPECT_TRUE(SameTextIgnoringCase(SystemFolder(), L"C:\\windows\\system32"))
        << Utf8(SystemFolder());
}

TEST(Bitness, VersionValueIsTheSystemsOwnInEveryBuild) {
    // GetVersion of a 32-bit program on 64-bit Windows must not report a
    // different system than the 64-bit build or the kernel does.
    using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);
    const auto rtlGetVersion = reinterpret_cast<RtlGetVersionFunction>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
    ASSERT_NE(rtlGetVersion, nullptr);
    OSVERSIONINFOW kernel{};
    kernel.dwOSVersionInfoSize = sizeof kernel;
    ASSERT_EQ(rtlGetVersion(&kernel), 0);

    const WindowsVersion version = SplitWindowsVersion(::GetVersion());
    EXPECT_EQ(version.major, kernel.dwMajorVersion);
    EXPECT_EQ(version.minor, kernel.dwMinorVersion);
    EXPECT_EQ(version.build, kernel.dwBuildNumber & 0x7FFF);
}

TEST(Bitness, CaptureStartsTheSystemFoldersInterpreterOfTheProgramsOwnBitness) {
    // The capture names system32\cmd.exe and leaves the file system
    // redirection on: a 32-bit program on 64-bit Windows gets the 32-bit
    // interpreter (SysWOW64), which tells so through its environment.
    TempFolder folder(L"bitness capture");
    RecordingUi ui;
    ASSERT_TRUE(Capture(folder.Path(), L"set PROCESSOR_ARCHITE", L"arch.txt", ui));
    EXPECT_EQ(ui.Problems(), std::vector<Fact>{});
    const std::wstring text = ReadUnicodeCapture(folder.Path() + L"arch.txt");
    const bool wow64 = kThirtyTwoBitProgram && !OnThirtyTwoBitWindows();

    EXPECT_NE(text.find(kThirtyTwoBitProgram ? L"PROCESSOR_ARCHITECTURE=x86"
                                             : L"PROCESSOR_ARCHITECTURE=AMD64"),
              std::wstring::npos)
        << Utf8(text);
    EXPECT_EQ(text.find(L"PROCESSOR_ARCHITEW6432=AMD64") != std::wstring::npos, wow64)
        << Utf8(text);
}

TEST(Bitness, IpconfigCaptureHoldsTheLoopbackAddress) {
    // Wine's route, arp and tree write nothing, but its ipconfig lists the
    // adapters; an empty file would not prove that the capture ran.
    TempFolder folder(L"bitness ipconfig");
    RecordingUi ui;
    ASSERT_TRUE(Capture(folder.Path(), L"ipconfig /all", L"ipconfig.txt", ui));
    EXPECT_EQ(ui.Problems(), std::vector<Fact>{});
    const std::string bytes = ReadBytes(folder.Path() + L"ipconfig.txt");
    ASSERT_FALSE(bytes.empty());
    // ipconfig is not an internal command, so /U does not make it Unicode;
    // whichever it writes, the loopback address is there.
    const std::wstring wide = ReadUnicodeCapture(folder.Path() + L"ipconfig.txt");
    EXPECT_TRUE(bytes.find("127.0.0.1") != std::string::npos ||
                wide.find(L"127.0.0.1") != std::wstring::npos)
        << bytes;
}
