#include "res/resource.h"
#include "support/TestFiles.h"
#include "win/Handles.h"
#include "win/Module.h"
#include "win/ResourceText.h"
#include "win/VersionInfo.h"

#include <gtest/gtest.h>

namespace {
// Makes another module the active resource module for one test.
class ActiveModuleScope {
  public:
    explicit ActiveModuleScope(HINSTANCE module) { SetActiveResourceModule(module); }
    ~ActiveModuleScope() { SetActiveResourceModule(nullptr); }
};
} // namespace

TEST(LoadResourceText, ReadsTheMessagesOfTheProgram) {
    EXPECT_EQ(LoadResourceText(IDS_NO_DESCRIPTION), L"Не введено описание");
    EXPECT_EQ(LoadResourceText(IDS_FOLDER), L"Папка ");
    EXPECT_EQ(LoadResourceText(IDS_FOLDER_EXISTS),
              L" для сохранения данных уже существует, удалите или переименуйте эту папку");
    EXPECT_EQ(LoadResourceText(IDS_CREATE_FOLDER_FAILED), L"Ошибка при создании папки ");
    EXPECT_EQ(LoadResourceText(IDS_SAVED_TO), L"Сохраненные данные помещены в папку ");
    EXPECT_EQ(LoadResourceText(IDS_COPY_FILE_FAILED), L"Ошибка при копировании файла ");
    EXPECT_EQ(LoadResourceText(IDS_ABOUTBOX), L"&О проекте Dorvak...");
}

TEST(LoadResourceText, SupportRequestStartsWithALineBreakAndNamesTheAddressTwice) {
    const std::wstring text = LoadResourceText(IDS_SEND_TO_SUPPORT);
    ASSERT_GT(text.size(), 2u);
    EXPECT_EQ(text.substr(0, 2), L"\r\n");
    const std::wstring address = L"" DORVAK_SUPPORT_EMAIL_W;
    const size_t first = text.find(address);
    ASSERT_NE(first, std::wstring::npos);
    EXPECT_NE(text.find(address, first + address.size()), std::wstring::npos);
}

TEST(LoadResourceText, MissingEntryGivesSAndTheNumber) {
    LibraryModule library(
        ::LoadLibraryW((TestProgramFolder() + L"..\\resdll\\nostrings\\TelmarRC.dll").c_str()));
    ASSERT_TRUE(library);
    ActiveModuleScope scope(library.Get());
    EXPECT_EQ(LoadResourceText(IDS_NO_DESCRIPTION), L"S16700");
    EXPECT_EQ(LoadResourceText(IDS_COPY_FILE_FAILED), L"S16706");
}

TEST(LoadResourceText, ComesFromTheAcceptedLibraryWhenItIsActive) {
    LibraryModule library(
        ::LoadLibraryW((TestProgramFolder() + L"..\\resdll\\5.0.0.0\\TelmarRC.dll").c_str()));
    ASSERT_TRUE(library);
    ActiveModuleScope scope(library.Get());
    EXPECT_EQ(ActiveResourceModule(), library.Get());
    EXPECT_EQ(LoadResourceText(IDS_CREATE_FOLDER_FAILED), L"Ошибка при создании папки ");
}

TEST(ProgramVersion, IsReadFromTheProgramsOwnVersionResource) {
    ProductVersion version;
    ASSERT_TRUE(ReadProductVersion(TestProgramFolder() + L"Dorvak.exe", version));
    EXPECT_EQ(FormatProductVersion(version), L"" DORVAK_PRODUCT_VERSION_W);
}

TEST(ProgramVersion, StaysZeroForAFileWithoutVersionData) {
    TempFolder folder;
    WriteBytes(folder.Path() + L"x.exe", "MZ");
    ProductVersion version;
    EXPECT_FALSE(ReadProductVersion(folder.Path() + L"x.exe", version));
    EXPECT_EQ(FormatProductVersion(version), L"0.0.0.0");
}
