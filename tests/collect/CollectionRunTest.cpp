#include "collect/CollectionRun.h"
#include "support/RecordingUi.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {
// The command captures run from the root itself, so "tree .." stays small.
CollectionRequest RequestFor(const std::wstring& root) {
    return CollectionRequest{root, DateTime::FromFields(2019, 4, 5, 0, 0, 0), L"Лифт стоит",
                             TestRunSettings(root)};
}
} // namespace

TEST(CollectionRun, CreatesTheDatedFolderAndMirrorBaseAndNamesTheDatedFolder) {
    TempFolder root;
    RecordingUi ui;
    ASSERT_TRUE(RunCollection(RequestFor(root.Path()), ui));

    const std::wstring dated = root.Path() + L"2019_04_05\\";
    EXPECT_TRUE(IsFolder(dated));
    EXPECT_TRUE(IsFolder(dated + L"MERUDrv"));
    EXPECT_EQ(ui.Problems(), std::vector<Fact>{});
    ASSERT_FALSE(ui.events.empty());
    EXPECT_EQ(ui.events.back().Kind(), RunEventKind::RunSaved);
    EXPECT_EQ(ui.events.back().Path(), dated);
}

TEST(CollectionRun, RefusesAnExistingDatedFolderAndChangesNothing) {
    TempFolder root;
    const std::wstring dated = root.Path() + L"2019_04_05\\";
    MakeFolder(dated);
    WriteBytes(dated + L"earlier.txt", "earlier run");

    RecordingUi ui;
    EXPECT_FALSE(RunCollection(RequestFor(root.Path()), ui));

    EXPECT_EQ(ui.Problems(), (std::vector<Fact>{{RunEventKind::DatedFolderExists, dated}}));
    EXPECT_EQ(ui.events.size(), 1u);
    EXPECT_EQ(ListFolder(dated), L"earlier.txt");
    EXPECT_EQ(ReadBytes(dated + L"earlier.txt"), "earlier run");
}

TEST(CollectionRun, SecondRunForTheSameDateEndsWithTheExistingFolderMessage) {
    TempFolder root;
    RecordingUi first, second;
    ASSERT_TRUE(RunCollection(RequestFor(root.Path()), first));
    EXPECT_FALSE(RunCollection(RequestFor(root.Path()), second));
    EXPECT_EQ(second.Problems(), (std::vector<Fact>{{RunEventKind::DatedFolderExists,
                                                     root.Path() + L"2019_04_05\\"}}));
}

TEST(CollectionRun, AFileInTheDatedFoldersPlaceIsNotWrittenInto) {
    TempFolder root;
    WriteBytes(root.Path() + L"2019_04_05", "a file");
    RecordingUi ui;
    EXPECT_FALSE(RunCollection(RequestFor(root.Path()), ui));
    EXPECT_EQ(ui.Problems(), (std::vector<Fact>{{RunEventKind::DatedFolderExists,
                                                 root.Path() + L"2019_04_05\\"}}));
    EXPECT_EQ(ReadBytes(root.Path() + L"2019_04_05"), "a file");
}

TEST(CollectionRun, ReportsAFolderThatCannotBeCreatedWithTheCodeOfTheFailedCall) {
    TempFolder temp;
    const std::wstring root = temp.Path() + L"missing\\";
    RecordingUi ui;
    EXPECT_FALSE(RunCollection(RequestFor(root), ui));

    EXPECT_EQ(ui.Problems(), (std::vector<Fact>{{RunEventKind::FolderNotCreated,
                                                 root + L"2019_04_05\\", ERROR_PATH_NOT_FOUND}}));
    EXPECT_EQ(ui.events.size(), 1u);
    EXPECT_FALSE(Exists(root));
}

TEST(CollectionRun, AMirrorBaseThatCannotBeCreatedEndsTheRunWithTheCodeOfTheFailedCall) {
    // The run makes the dated folder itself, so nothing can stand in the
    // base's place beforehand. Under Wine the host's limit on a whole path
    // can: the root is made as long as leaves room for the dated folder but
    // not for the base inside it.
    using UnixName = char*(CDECL*)(LPCWSTR);
    const auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (unixName == nullptr)
        GTEST_SKIP() << "no host path limit to reach outside Wine";
    TempFolder temp;
    const auto hostLength = [&](const std::wstring& path) {
        char* name = unixName(path.c_str());
        const size_t length = name != nullptr ? strlen(name) : 0;
        ::HeapFree(::GetProcessHeap(), 0, name);
        return length;
    };
    // PATH_MAX less its terminating zero, and what the base adds
    // ("/MERUDrv") past it by one.
    constexpr size_t kHostPathMax = 4095 - 7;
    // "/2019_04_05" after the root's own name.
    const size_t datedPart = 1 + std::wstring(L"2019_04_05").size();
    std::wstring root = temp.Path() + L"r";
    MakeFolder(root);
    while (hostLength(root) + datedPart + 1 + 200 <= kHostPathMax) {
        root += L"\\" + std::wstring(200, L'r');
        MakeFolder(root);
    }
    const size_t rest = kHostPathMax - hostLength(root) - datedPart - 1;
    ASSERT_GT(rest, 0u);
    root += L"\\" + std::wstring(rest, L'r');
    MakeFolder(root);
    root += L"\\";
    ASSERT_EQ(hostLength(root + L"2019_04_05"), kHostPathMax);

    RecordingUi ui;
    EXPECT_FALSE(RunCollection(RequestFor(root), ui));

    const std::wstring dated = root + L"2019_04_05\\";
    EXPECT_TRUE(IsFolder(dated));
    ASSERT_EQ(ui.events.size(), 1u);
    EXPECT_EQ(ui.events[0].Kind(), RunEventKind::FolderNotCreated);
    EXPECT_EQ(ui.events[0].Path(), dated + L"MERUDrv\\");
    // Wine tells the host's "name too long" as a general failure.
    EXPECT_NE(ui.events[0].Code(), 0u);
    EXPECT_NE(ui.events[0].Code(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(ListFolder(dated), L"");
}

TEST(CollectionRun, DatedFolderIsNamedByTheStartDate) {
    EXPECT_EQ(DatedFolderPath(L"C:\\Suite\\", DateTime::FromFields(2019, 4, 5, 0, 0, 0)),
              L"C:\\Suite\\2019_04_05\\");
    EXPECT_EQ(DatedFolderPath(L"C:\\Suite\\", DateTime::FromFields(1901, 12, 31, 0, 0, 0)),
              L"C:\\Suite\\1901_12_31\\");
}
