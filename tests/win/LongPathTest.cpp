#include "win/LongPath.h"

#include <gtest/gtest.h>

TEST(LongPath, DrivePathsAndSharesTakeTheirExtendedFormsOnce) {
    const struct {
        std::wstring path, extended;
    } cases[] = {
        {L"C:\\Сбор\\a.zip", L"\\\\?\\C:\\Сбор\\a.zip"},
        // Taken literally once prefixed: the dots must be gone before.
        {L"C:\\a\\..\\b\\.\\c\\", L"\\\\?\\C:\\b\\c\\"},
        {L"C:/a/b", L"\\\\?\\C:\\a\\b"},
        {L"\\\\server\\share\\a", L"\\\\?\\UNC\\server\\share\\a"},
        {L"\\\\?\\C:\\a\\..\\b", L"\\\\?\\C:\\a\\..\\b"},
        {L"\\\\.\\pipe\\p", L"\\\\.\\pipe\\p"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.extended, ExtendedLengthPath(c.path));
}
