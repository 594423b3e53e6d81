#include "collect/NarrowTextStream.h"

#include "support/TestFiles.h"
#include "win/WriteAll.h"

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
        // A look-alike without the default character: only the way back tells.
        {L"Café", "Cafe", false},
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

// A write that fails for want of room, then room made, then a write that
// would succeed: the file must not go on after a gap.
TEST(NarrowTextStream, WritesNothingAfterItsFirstFailedWrite) {
    std::wstring drive(8, L'\0');
    drive.resize(::GetEnvironmentVariableW(L"DORVAK_TEST_SMALL_DRIVE", drive.data(),
                                           static_cast<DWORD>(drive.size())));
    if (drive.empty() || drive.size() >= 8)
        GTEST_SKIP() << "runs as ctest collect_small_drive, on a drive of its own";
    const std::wstring path = drive + L"gap.txt";
    const std::wstring filler = drive + L"filler";
    NarrowTextStream out(path, TextEncoding::Ansi);
    ASSERT_TRUE(out.IsOpen());
    out << "one";
    out.EndLine();
    {
        FileHandle fill(::CreateFileW(filler.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(fill);
        const std::string block(4096, 'f');
        while (WriteAll(fill.Get(), block.data(), block.size()) == 0) {
        }
    }
    // Longer than what is left of the file's own last block.
    out << std::string(3 * 4096, 'x');
    out.EndLine();
    ASSERT_TRUE(::DeleteFileW(filler.c_str()));
    out << "after the gap";
    out.EndLine();
    out.Close();
    EXPECT_EQ(out.Error(), static_cast<DWORD>(ERROR_DISK_FULL));
    const std::string written = ReadBytes(path);
    EXPECT_EQ(written.rfind("one\r\n", 0), 0u);
    EXPECT_EQ(written.find("after the gap"), std::string::npos);
    EXPECT_LT(written.size(), 3 * 4096u);
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
