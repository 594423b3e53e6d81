#include "collect/CollectionRun.h"
#include "support/RecordingUi.h"
#include "support/RunSummary.h"
#include "support/TestFiles.h"
#include "win/ResourceText.h"

#include <gtest/gtest.h>

namespace {
// The command captures run from the root itself, so "tree .." stays small.
CollectionRequest RequestFor(const std::wstring& root) {
    return CollectionRequest{root, DateTime::FromFields(2019, 4, 5, 0, 0, 0), L"Лифт стоит", root};
}
} // namespace

TEST(CollectionRun, CreatesTheDatedFolderAndMirrorBaseAndNamesTheDatedFolder) {
    TempFolder root;
    RecordingUi ui;
    ASSERT_TRUE(RunCollection(RequestFor(root.Path()), ui));

    const std::wstring dated = root.Path() + L"2019_04_05\\";
    EXPECT_TRUE(IsFolder(dated));
    EXPECT_TRUE(IsFolder(dated + L"MERUDrv"));
    EXPECT_EQ(ui.Count(UiEvent::Kind::SystemError), 0u);
    ASSERT_FALSE(ui.events.empty());
    const UiEvent& last = ui.events.back();
    EXPECT_EQ(last.kind, UiEvent::Kind::Message);
    EXPECT_EQ(last.code, static_cast<DWORD>(MB_ICONINFORMATION));
    EXPECT_EQ(last.text, ExpectedSummary(dated));
}

TEST(CollectionRun, RefusesAnExistingDatedFolderAndChangesNothing) {
    TempFolder root;
    const std::wstring dated = root.Path() + L"2019_04_05\\";
    MakeFolder(dated);
    WriteBytes(dated + L"earlier.txt", "earlier run");

    RecordingUi ui;
    EXPECT_FALSE(RunCollection(RequestFor(root.Path()), ui));

    ASSERT_EQ(ui.events.size(), 1u);
    EXPECT_EQ(ui.events[0].kind, UiEvent::Kind::Message);
    EXPECT_EQ(ui.events[0].code, static_cast<DWORD>(MB_ICONERROR));
    EXPECT_EQ(ui.events[0].text, L"Папка " + dated +
                                     L" для сохранения данных уже существует, удалите или "
                                     L"переименуйте эту папку");
    EXPECT_EQ(ListFolder(dated), L"earlier.txt");
    EXPECT_EQ(ReadBytes(dated + L"earlier.txt"), "earlier run");
}

TEST(CollectionRun, SecondRunForTheSameDateEndsWithTheExistingFolderMessage) {
    TempFolder root;
    RecordingUi first, second;
    ASSERT_TRUE(RunCollection(RequestFor(root.Path()), first));
    EXPECT_FALSE(RunCollection(RequestFor(root.Path()), second));
    ASSERT_EQ(second.events.size(), 1u);
    EXPECT_EQ(second.events[0].code, static_cast<DWORD>(MB_ICONERROR));
}

TEST(CollectionRun, AFileInTheDatedFoldersPlaceIsNotWrittenInto) {
    TempFolder root;
    WriteBytes(root.Path() + L"2019_04_05", "a file");
    RecordingUi ui;
    EXPECT_FALSE(RunCollection(RequestFor(root.Path()), ui));
    ASSERT_EQ(ui.events.size(), 1u);
    EXPECT_EQ(ui.events[0].code, static_cast<DWORD>(MB_ICONERROR));
    EXPECT_EQ(ReadBytes(root.Path() + L"2019_04_05"), "a file");
}

TEST(CollectionRun, ReportsAFolderThatCannotBeCreatedWithTheCodeOfTheFailedCall) {
    TempFolder temp;
    const std::wstring root = temp.Path() + L"missing\\";
    RecordingUi ui;
    EXPECT_FALSE(RunCollection(RequestFor(root), ui));

    ASSERT_EQ(ui.events.size(), 1u);
    EXPECT_EQ(ui.events[0].kind, UiEvent::Kind::SystemError);
    EXPECT_EQ(ui.events[0].text, L"Ошибка при создании папки " + root + L"2019_04_05\\");
    EXPECT_EQ(ui.events[0].code, static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_FALSE(Exists(root));
}

TEST(CollectionRun, DatedFolderIsNamedByTheStartDate) {
    EXPECT_EQ(DatedFolderPath(L"C:\\Suite\\", DateTime::FromFields(2019, 4, 5, 0, 0, 0)),
              L"C:\\Suite\\2019_04_05\\");
    EXPECT_EQ(DatedFolderPath(L"C:\\Suite\\", DateTime::FromFields(1901, 12, 31, 0, 0, 0)),
              L"C:\\Suite\\1901_12_31\\");
}
