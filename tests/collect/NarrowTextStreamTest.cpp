#include "collect/NarrowTextStream.h"

#include "support/TestFiles.h"

#include <gtest/gtest.h>

TEST(ToNarrowText, UsesTheThreadsAnsiCodePageAndTellsWhenItHoldsEverything) {
    struct Case {
        std::wstring text;
        std::string narrow;
        bool fits;
    };
    const Case cases[] = {
        {L"Журналё.exe", "\xC6\xF3\xF0\xED\xE0\xEB\xB8.exe", true}, // 1251
        {L"a\u65E5b", "a?b", false}, // not in 1251: the default character
        {L"Лифт тоқтап", "\xCB\xE8\xF4\xF2 \xF2\xEE?\xF2\xE0\xEF", false},
        {L"", "", true},
        {std::wstring(L"ab\0cd", 5), "ab", true},
        {std::wstring(L"ab\0\u65E5", 4), "ab", true}, // read up to the first zero
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ToNarrowText(c.text), c.narrow) << Utf8(c.text);
        EXPECT_EQ(FitsAnsiCodePage(c.text), c.fits) << Utf8(c.text);
    }
}

TEST(NarrowTextStream, StoresLfAsCrLfInEitherEncoding) {
    TempFolder folder;
    struct Case {
        TextEncoding encoding;
        std::string bytes;
    };
    const Case cases[] = {
        {TextEncoding::Ansi,
         std::string("a\tb\r\nc\r\xD4") + "5368709120\r\nz" + std::string(1, '\0') + "y"},
        {TextEncoding::Utf8, std::string("\xEF\xBB\xBF"
                                         "a\tb\r\nc\r\xD0\xA4") +
                                 "5368709120\r\nz" + std::string(1, '\0') + "y"},
    };
    for (const Case& c : cases) {
        const std::wstring path = folder.Path() + (c.encoding == TextEncoding::Ansi ? L"a" : L"u");
        {
            NarrowTextStream out(path, c.encoding);
            ASSERT_TRUE(out.IsOpen());
            out << "a\tb\nc\r" << L"Ф" << 5368709120ull;
            out.EndLine();
            out << std::string("z\0y", 3);
        }
        EXPECT_EQ(ReadBytes(path), c.bytes);
    }
    { NarrowTextStream out(folder.Path() + L"empty.txt", TextEncoding::Ansi); }
    EXPECT_EQ("", ReadBytes(folder.Path() + L"empty.txt"));
}

TEST(NarrowTextStream, NeverWritesIntoAFileItDidNotCreate) {
    TempFolder folder;
    const std::wstring path = folder.Path() + L"Version.txt";
    WriteBytes(path, "someone else's\r\n");
    NarrowTextStream out(path, TextEncoding::Ansi);
    EXPECT_FALSE(out.IsOpen());
    out << "lost";
    out.EndLine();
    out.Close();
    EXPECT_EQ(out.Error(), static_cast<DWORD>(ERROR_FILE_EXISTS));
    EXPECT_EQ("someone else's\r\n", ReadBytes(path));
}

TEST(NarrowTextStream, EachEndedLineIsInTheFileAtOnce) {
    TempFolder folder;
    const std::wstring path = folder.Path() + L"lines.txt";
    NarrowTextStream out(path, TextEncoding::Ansi);
    ASSERT_TRUE(out.IsOpen());
    out << "one";
    out.EndLine();
    EXPECT_EQ("one\r\n", ReadBytes(path));
    out << "two";
    out.EndLine();
    EXPECT_EQ("one\r\ntwo\r\n", ReadBytes(path));
    out.Close();
    EXPECT_EQ(out.Error(), 0u);
}

TEST(NarrowTextStream, AStreamThatCannotOpenSwallowsWritesAndKeepsTheError) {
    TempFolder folder;
    const std::wstring path = folder.Path() + L"no such folder\\out.txt";
    NarrowTextStream out(path, TextEncoding::Utf8);
    EXPECT_FALSE(out.IsOpen());
    out << "lost";
    out.EndLine();
    out.Close();
    EXPECT_FALSE(Exists(path));
    EXPECT_EQ(out.Error(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}
