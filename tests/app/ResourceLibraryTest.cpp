#include "app/ResourceLibrary.h"
#include "res/resource.h"
#include "win/PeImage.h"
#include "support/TestFiles.h"
#include "win/Handles.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
const ProductVersion kProgramVersion{4, 7, 2, 10};

std::wstring LibraryOfVersion(const std::wstring& variant) {
    return TestProgramFolder() + L"..\\resdll\\" + variant + L"\\TelmarRC.dll";
}

struct CheckOutcome {
    HMODULE module;
    std::vector<std::wstring> messages;
};

CheckOutcome Check(const std::wstring& library) {
    CheckOutcome outcome{nullptr, {}};
    outcome.module = CheckResourceLibrary(library, kProgramVersion, [&](const std::wstring& text) {
        outcome.messages.push_back(text);
    });
    return outcome;
}
} // namespace

TEST(VersionKey, IsFirstAndSecondNumberWithFiveDigitsEach) {
    EXPECT_EQ(VersionKey(kProgramVersion), L"0000400007");
    EXPECT_EQ(VersionKey(ProductVersion{65535, 65535, 1, 1}), L"6553565535");
}

TEST(ResourceLibrary, IsAcceptedWhenItsFirstTwoNumbersAreNotBelowTheProgramsOnes) {
    for (const wchar_t* variant : {L"4.7.0.0", L"5.0.0.0", L"4.10.0.0", L"4.7.2.10"}) {
        CheckOutcome outcome = Check(LibraryOfVersion(variant));
        LibraryModule owner(outcome.module);
        EXPECT_NE(outcome.module, nullptr) << Utf8(variant);
        EXPECT_TRUE(outcome.messages.empty()) << Utf8(variant);
        if (outcome.module != nullptr) {
            wchar_t text[64] = {};
            EXPECT_GT(::LoadStringW(outcome.module, IDS_NO_DESCRIPTION, text, 64), 0);
            EXPECT_STREQ(text, L"Не введено описание");
        }
    }
}

TEST(ResourceLibrary, BuiltForTheOtherArchitectureIsAcceptedAndServesItsResources) {
    // 64-bit beside the 32-bit program, 32-bit beside the 64-bit one: mapped
    // as data, the library's own bitness does not matter.
    const std::wstring path = LibraryOfVersion(L"otherbits");
    const WORD machine = ImageMachine(path);
    ASSERT_NE(machine, 0);
    ASSERT_NE(machine, kOwnImageMachine);

    CheckOutcome outcome = Check(path);
    LibraryModule owner(outcome.module);
    EXPECT_TRUE(outcome.messages.empty()) << Utf8(outcome.messages.front());
    ASSERT_NE(outcome.module, nullptr);
    wchar_t text[64] = {};
    EXPECT_GT(::LoadStringW(outcome.module, IDS_NO_DESCRIPTION, text, 64), 0);
    EXPECT_STREQ(text, L"Не введено описание");
    EXPECT_NE(::FindResourceW(outcome.module, MAKEINTRESOURCEW(IDD_DORVAK_DIALOG), RT_DIALOG),
              nullptr);
    EXPECT_NE(::LoadIconW(outcome.module, MAKEINTRESOURCEW(IDI_DORVAK)), nullptr);
}

TEST(ResourceLibrary, OlderThanTheProgramIsRefusedWithTheFixedText) {
    CheckOutcome outcome = Check(LibraryOfVersion(L"4.6.9.9"));
    LibraryModule owner(outcome.module);
    EXPECT_EQ(outcome.module, nullptr);
    ASSERT_EQ(outcome.messages.size(), 1u);
    EXPECT_EQ(outcome.messages[0], L"Version of TelmarRC.dll is bad");
}

TEST(ResourceLibrary, MissingIsPassedOverSilently) {
    TempFolder empty;
    CheckOutcome outcome = Check(empty.Path() + L"TelmarRC.dll");
    EXPECT_EQ(outcome.module, nullptr);
    EXPECT_TRUE(outcome.messages.empty());
}

TEST(ResourceLibrary, WithoutVersionDataIsPassedOverSilently) {
    TempFolder folder;
    WriteBytes(folder.Path() + L"TelmarRC.dll", "not a module at all");
    CheckOutcome outcome = Check(folder.Path() + L"TelmarRC.dll");
    EXPECT_EQ(outcome.module, nullptr);
    EXPECT_TRUE(outcome.messages.empty());
}

TEST(ResourceLibrary, IsMappedAsDataSoCodeThatWouldRefuseToLoadNeverRuns) {
    // Its DllMain fails: loaded as a program library it could not be used.
    CheckOutcome outcome = Check(LibraryOfVersion(L"codemark"));
    LibraryModule owner(outcome.module);
    ASSERT_NE(outcome.module, nullptr);
    EXPECT_TRUE(outcome.messages.empty());
    wchar_t text[64] = {};
    EXPECT_GT(::LoadStringW(outcome.module, IDS_NO_DESCRIPTION, text, 64), 0);
    EXPECT_STREQ(text, L"Не введено описание (TelmarRC)");
    EXPECT_NE(::LoadIconW(outcome.module, MAKEINTRESOURCEW(IDI_DORVAK)), nullptr);
}

TEST(ResourceLibrary, WithoutTheTemplatesOrTheIconIsPassedOverSilently) {
    // A good version, but nothing the dialogs could be built from.
    CheckOutcome outcome = Check(LibraryOfVersion(L"nostrings"));
    LibraryModule owner(outcome.module);
    EXPECT_EQ(outcome.module, nullptr);
    EXPECT_TRUE(outcome.messages.empty());
}

TEST(ResourceLibrary, ThatCannotBeMappedIsToldWithTheErrorCode) {
    // Readable version data, but a machine type no loader knows.
    TempFolder folder;
    const std::wstring path = folder.Path() + L"TelmarRC.dll";
    std::string image = ReadBytes(LibraryOfVersion(L"4.7.2.10"));
    ASSERT_GT(image.size(), 0x40u);
    const size_t header = static_cast<unsigned char>(image[0x3c]) |
                          static_cast<size_t>(static_cast<unsigned char>(image[0x3d])) << 8;
    ASSERT_LT(header + 6, image.size());
    image[header + 4] = 0x34;
    image[header + 5] = 0x12;
    WriteBytes(path, image);

    CheckOutcome outcome = Check(path);
    LibraryModule owner(outcome.module);
    EXPECT_EQ(outcome.module, nullptr);
    ASSERT_EQ(outcome.messages.size(), 1u);
    EXPECT_EQ(outcome.messages[0], L"LoadLibrary " + std::to_wstring(ERROR_BAD_EXE_FORMAT));
}
