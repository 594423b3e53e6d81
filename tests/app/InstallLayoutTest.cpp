#include "app/InstallLayout.h"
#include "collect/CollectionRun.h"

#include <gtest/gtest.h>

TEST(InstallationRoot, IsTheParentOfTheProgramFolderWithItsBackslash) {
    EXPECT_EQ(InstallationRootFromExecutablePath(L"C:\\Suite\\Dorvak\\Dorvak.exe"), L"C:\\Suite\\");
    EXPECT_EQ(InstallationRootFromExecutablePath(L"D:\\MERU\\Bin\\Dorvak\\Dorvak.exe"),
              L"D:\\MERU\\Bin\\");
    EXPECT_EQ(InstallationRootFromExecutablePath(L"C:\\Dorvak\\Dorvak.exe"), L"C:\\");
}

TEST(InstallationRoot, OfANetworkPathKeepsTheShare) {
    EXPECT_EQ(InstallationRootFromExecutablePath(L"\\\\server\\share\\Dorvak\\Dorvak.exe"),
              L"\\\\server\\share\\");
}

TEST(InstallationRoot, AtADriveTopLevelIsTheDriveRootFolderNotADriveRelativePath) {
    const std::wstring root = InstallationRootFromExecutablePath(L"C:\\Dorvak.exe");
    EXPECT_EQ(root, L"C:\\");
    EXPECT_EQ(DatedFolderPath(root, DateTime::FromFields(2019, 4, 5, 0, 0, 0)),
              L"C:\\2019_04_05\\");
}

TEST(InstallationRoot, IsNotLimitedToTheOldPathLength) {
    std::wstring deep = L"C:\\";
    for (int i = 0; i < 40; ++i)
        deep += L"Folder" + std::to_wstring(i) + L"\\";
    ASSERT_GT(deep.size(), 300u);
    EXPECT_EQ(InstallationRootFromExecutablePath(deep + L"Dorvak\\Dorvak.exe"), deep);
}
