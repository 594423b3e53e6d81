#include "support/MessageBoxWatcher.h"
#include "support/TestFiles.h"
#include "win/ErrorReport.h"
#include "win/MessageBox.h"
#include "win/SystemMessage.h"

#include <gtest/gtest.h>

namespace {
std::wstring WithoutLineEnd(std::wstring text) {
    if (text.size() >= 2 && text.substr(text.size() - 2) == L"\r\n")
        text.resize(text.size() - 2);
    return text;
}
} // namespace

TEST(SystemErrorText, WithoutCodeIsTheTextUnchanged) {
    EXPECT_EQ(ComposeSystemErrorText(L"Ошибка при создании папки C:\\A\\", 0),
              L"Ошибка при создании папки C:\\A\\");
}

TEST(SystemErrorText, HasDecimalHexadecimalAndTheSystemDescriptionWithoutItsLineEnd) {
    const std::wstring description = SystemMessageText(ERROR_ACCESS_DENIED);
    ASSERT_GE(description.size(), 3u);
    ASSERT_EQ(description.substr(description.size() - 2), L"\r\n");
    EXPECT_EQ(ComposeSystemErrorText(L"Ошибка при создании папки C:\\Suite\\2019_04_05\\", 5),
              L"Ошибка при создании папки C:\\Suite\\2019_04_05\\: 5 (0x5) - " +
                  WithoutLineEnd(description));
}

TEST(SystemErrorText, WritesTheHexadecimalCodeInLowerCase) {
    const std::wstring text = ComposeSystemErrorText(L"x", ERROR_ALREADY_EXISTS);
    EXPECT_EQ(text.substr(0, 16), L"x: 183 (0xb7) - ");
}

TEST(SystemErrorText, ForACodeTheSystemDoesNotKnowKeepsBothNumbers) {
    const DWORD unknown = 0x2000ABCD; // customer bit set: never a system code
    ASSERT_TRUE(SystemMessageText(unknown).empty());
    EXPECT_EQ(ComposeSystemErrorText(L"Ошибка при копировании файла a.xml", unknown),
              L"Ошибка при копировании файла a.xml: 536914893 (0x2000abcd)");
}

TEST(SystemErrorText, ADescriptionWithInsertsIsShownWithItsPlaceholders) {
    // The system's text of 193 names the program as %1.
    const std::wstring description = SystemMessageText(ERROR_BAD_EXE_FORMAT);
    ASSERT_NE(description.find(L"%1"), std::wstring::npos) << Utf8(description);
    const std::wstring text = ComposeSystemErrorText(L"x", ERROR_BAD_EXE_FORMAT);
    EXPECT_EQ(text, L"x: 193 (0xc1) - " + WithoutLineEnd(description));
}

TEST(SystemErrorReport, ShowsTheComposedTextInAnErrorBoxCaptionedWithTheProgramName) {
    ASSERT_EQ(ProgramTitle(), L"win_tests");
    MessageBoxWatcher watcher(ProgramTitle());
    ReportSystemError(nullptr, L"Ошибка при копировании файла Struct.XML", ERROR_SHARING_VIOLATION);
    ASSERT_TRUE(watcher.WaitFor(1, 5000));
    EXPECT_EQ(watcher.Texts()[0], ComposeSystemErrorText(L"Ошибка при копировании файла Struct.XML",
                                                         ERROR_SHARING_VIOLATION));
}

TEST(SystemErrorReport, CodeMinusOneIsTheThreadsLastError) {
    MessageBoxWatcher watcher(ProgramTitle());
    ::SetLastError(ERROR_SHARING_VIOLATION);
    ReportSystemError(nullptr, L"x", static_cast<DWORD>(-1));
    ASSERT_TRUE(watcher.WaitFor(1, 5000));
    EXPECT_EQ(watcher.Texts()[0], ComposeSystemErrorText(L"x", ERROR_SHARING_VIOLATION));
}

TEST(SystemErrorReport, EmptyTextWithoutCodeShowsNothing) {
    MessageBoxWatcher watcher(ProgramTitle());
    ReportSystemError(nullptr, L"", 0);
    ShowMessage(nullptr, L"после", MB_ICONINFORMATION);
    ASSERT_TRUE(watcher.WaitFor(1, 5000));
    EXPECT_EQ(watcher.Texts(), std::vector<std::wstring>{L"после"});
}
