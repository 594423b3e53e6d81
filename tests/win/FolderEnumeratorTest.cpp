#include "support/TestFiles.h"
#include "win/FolderEnumerator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {
std::vector<std::wstring> EntriesOf(const std::wstring& pattern, bool skipDots) {
    std::vector<std::wstring> names;
    CFolderEnumerator entries(pattern);
    WIN32_FIND_DATAW entry;
    while (entries.Next(entry)) {
        if (skipDots && IsDots(entry))
            continue;
        names.push_back(std::wstring(entry.cFileName) + (IsFolderEntry(entry) ? L"/" : L""));
    }
    std::sort(names.begin(), names.end());
    return names;
}
} // namespace

TEST(FolderEnumerator, WalksFilesAndFoldersAndTellsTheDotsApart) {
    TempFolder folder;
    WriteBytes(folder.Path() + L"a.txt", "a");
    WriteBytes(folder.Path() + L"..b", "b");
    MakeFolder(folder.Path() + L"sub");

    EXPECT_EQ(EntriesOf(folder.Path() + L"*", false),
              (std::vector<std::wstring>{L"../", L"..b", L"./", L"a.txt", L"sub/"}));
    EXPECT_EQ(EntriesOf(folder.Path() + L"*", true),
              (std::vector<std::wstring>{L"..b", L"a.txt", L"sub/"}));
    EXPECT_EQ(EntriesOf(folder.Path() + L"*.txt", true), std::vector<std::wstring>{L"a.txt"});
}

TEST(FolderEnumerator, FindsNothingWhereNothingMatchesAndStaysEnded) {
    TempFolder folder;
    CFolderEnumerator missing(folder.Path() + L"absent\\*");
    WIN32_FIND_DATAW entry;
    EXPECT_FALSE(missing.Next(entry));
    EXPECT_FALSE(missing.Next(entry));
    // A folder that cannot be listed is told apart from one with nothing to find.
    EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), missing.Error());
    CFolderEnumerator none(folder.Path() + L"*.none");
    EXPECT_FALSE(none.Next(entry));
    EXPECT_EQ(0u, none.Error());

    WriteBytes(folder.Path() + L"one", "1");
    CFolderEnumerator single(folder.Path() + L"one");
    EXPECT_TRUE(single.Next(entry));
    EXPECT_FALSE(single.Next(entry));
    EXPECT_FALSE(single.Next(entry));
    EXPECT_EQ(0u, single.Error());
    EXPECT_TRUE(IsFound(folder.Path() + L"one"));
    EXPECT_FALSE(IsFound(folder.Path() + L"two"));
}

TEST(SearchResultName, ExtensionIsEverythingFromTheLastDot) {
    EXPECT_TRUE(HasExtension(L"a.xml", L".xml"));
    EXPECT_TRUE(HasExtension(L"Struct.XML", L".xml"));
    EXPECT_TRUE(HasExtension(L"a.b.Xml", L".xml"));
    EXPECT_TRUE(HasExtension(L".xml", L".xml"));
    EXPECT_TRUE(HasExtension(L"TOOL.EXE", L".exe"));
    EXPECT_FALSE(HasExtension(L"x.xmlx", L".xml"));
    EXPECT_FALSE(HasExtension(L"x.xml_old", L".xml"));
    EXPECT_FALSE(HasExtension(L"old.exe.bak", L".exe"));
    EXPECT_FALSE(HasExtension(L"report.exe1", L".exe"));
    EXPECT_FALSE(HasExtension(L"xml", L".xml"));
    EXPECT_FALSE(HasExtension(L"a.xm", L".xml"));
    EXPECT_FALSE(HasExtension(L"a.", L".xml"));
}
