#include "collect/NarrowTextStream.h"

#include "support/TestFiles.h"

#include <gtest/gtest.h>

TEST(ToNarrowText, UsesTheThreadsAnsiCodePage) {
    EXPECT_EQ("\xC6\xF3\xF0\xED\xE0\xEB\xB8.exe", ToNarrowText(L"Журналё.exe")); // 1251
    EXPECT_EQ("a?b", ToNarrowText(L"a\u65E5b")); // not in 1251: the default character
    EXPECT_EQ("", ToNarrowText(L""));
    EXPECT_EQ("ab", ToNarrowText(std::wstring(L"ab\0cd", 5)));
}

TEST(NarrowTextStream, StoresLfAsCrLfAndAppends) {
    TempFolder folder;
    const std::wstring path = folder.Path() + L"out.txt";
    WriteBytes(path, "old\r\n");
    {
        NarrowTextStream out(path);
        ASSERT_TRUE(out.IsOpen());
        out << "a\tb\nc\r" << L"Ф" << 5368709120ull;
        out.EndLine();
        out << std::string("z\0y", 3);
    }
    EXPECT_EQ(std::string("old\r\na\tb\r\nc\r\xD4") + "5368709120\r\nz" + std::string(1, '\0') +
                  "y",
              ReadBytes(path));
}

TEST(NarrowTextStream, CreatesTheFileWithoutByteOrderMark) {
    TempFolder folder;
    const std::wstring path = folder.Path() + L"Отчёт.txt";
    {
        NarrowTextStream out(path);
        out << L"Привет";
    }
    EXPECT_EQ("\xCF\xF0\xE8\xE2\xE5\xF2", ReadBytes(path));
    { NarrowTextStream out(folder.Path() + L"empty.txt"); }
    EXPECT_TRUE(Exists(folder.Path() + L"empty.txt"));
    EXPECT_EQ("", ReadBytes(folder.Path() + L"empty.txt"));
}

TEST(NarrowTextStream, EachEndedLineIsInTheFileAtOnceAndOthersMayShareIt) {
    TempFolder folder;
    const std::wstring path = folder.Path() + L"lines.txt";
    NarrowTextStream first(path);
    NarrowTextStream second(path);
    ASSERT_TRUE(first.IsOpen());
    ASSERT_TRUE(second.IsOpen());
    first << "one";
    first.EndLine();
    EXPECT_EQ("one\r\n", ReadBytes(path));
    second << "two";
    second.EndLine();
    first << "three";
    first.EndLine();
    EXPECT_EQ("one\r\ntwo\r\nthree\r\n", ReadBytes(path));
}

TEST(NarrowTextStream, AStreamThatCannotOpenSwallowsWrites) {
    TempFolder folder;
    const std::wstring path = folder.Path() + L"missing\\out.txt";
    NarrowTextStream out(path);
    EXPECT_FALSE(out.IsOpen());
    out << "lost";
    out.EndLine();
    out.Close();
    EXPECT_FALSE(Exists(path));
}

TEST(NarrowTextStream, KeepsTheErrorOfAFailedOpen) {
    TempFolder folder;
    {
        NarrowTextStream out(folder.Path() + L"out.txt");
        out << "fine";
        out.EndLine();
        out.Close();
        EXPECT_EQ(out.Error(), 0u);
    }
    NarrowTextStream missing(folder.Path() + L"no such folder\\out.txt");
    EXPECT_FALSE(missing.IsOpen());
    missing << "lost";
    missing.Close();
    EXPECT_EQ(missing.Error(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}
