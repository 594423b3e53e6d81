#include "zip/ZipWriter.h"

#include "support/TestFiles.h"
#include "support/ZipReader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

namespace {
ZipEntrySource Now() {
    ZipEntrySource source;
    ::GetSystemTimeAsFileTime(&source.lastWrite);
    source.lastAccess = source.creation = source.lastWrite;
    return source;
}

std::string Lines(size_t size) {
    std::string text;
    for (int line = 0; text.size() < size; ++line)
        text += "line " + std::to_string(line * 7919 % 100003) + "\r\n";
    return text.substr(0, size);
}
} // namespace

// A source that fails after several chunks have gone into the archive (a
// pipe whose writer goes away: ERROR_BROKEN_PIPE) leaves no trace of its
// entry, whether its bytes were still buffered or already on disk.
TEST(ZipWriter, AReadFailingMidFileTakesItsPartialEntryBackOut) {
    TempFolder temp(L"zipwriter");
    const std::wstring path = temp.Path() + L"a.zip";
    const std::string before = Lines(100), after = Lines(700'000);
    WriteBytes(temp.Path() + L"before.log", before);
    WriteBytes(temp.Path() + L"after.log", after);
    CZipWriter zip;
    ASSERT_TRUE(zip.Create(path));
    for (const size_t broken : {size_t{1000}, size_t{3'000'000}}) {
        HANDLE readEnd = nullptr, writeEnd = nullptr;
        ASSERT_TRUE(::CreatePipe(&readEnd, &writeEnd, nullptr, 0));
        FileHandle pipe(readEnd);
        std::thread writer([writeEnd, broken] {
            const std::string bytes = Lines(broken);
            DWORD written = 0;
            ::WriteFile(writeEnd, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                        nullptr);
            ::CloseHandle(writeEnd);
        });
        DWORD error = 0;
        EXPECT_EQ(CZipWriter::FileOutcome::SourceFailed,
                  zip.AddFile(L"top/broken.log", Now(), pipe.Get(), 0, nullptr, error));
        writer.join();
        EXPECT_EQ(static_cast<DWORD>(ERROR_BROKEN_PIPE), error);
        const std::pair<std::wstring, std::string> sources[] = {{L"before.log", before},
                                                                {L"after.log", after}};
        for (const auto& [file, content] : sources) {
            FileHandle source(::CreateFileW((temp.Path() + file).c_str(), GENERIC_READ, 0, nullptr,
                                            OPEN_EXISTING, 0, nullptr));
            EXPECT_EQ(CZipWriter::FileOutcome::Added,
                      zip.AddFile(L"top/" + std::to_wstring(broken) + L"/" + file, Now(),
                                  source.Get(), content.size(), nullptr, error));
        }
    }
    ASSERT_TRUE(zip.Finish());

    const ZipContents contents = Unpack(ReadBytes(path));
    EXPECT_EQ((std::vector<std::string>{"top/1000/after.log", "top/1000/before.log",
                                        "top/3000000/after.log", "top/3000000/before.log"}),
              SortedNames(contents));
    EXPECT_TRUE(contents.at("top/3000000/after.log") == after);
    EXPECT_EQ(before, contents.at("top/3000000/before.log"));
    EXPECT_EQ(4u, zip.Entries());
    EXPECT_EQ(2 * (before.size() + after.size()), zip.BytesIn());
}

// Two names the file system can hold that are not valid UTF-16 would both
// come out as U+FFFD, one entry twice: each is refused on its own, and the
// archive goes on without it.
TEST(ZipWriter, ANameThatIsNotValidUtf16IsLeftOut) {
    TempFolder temp(L"zipwriter");
    const std::wstring path = temp.Path() + L"a.zip";
    WriteBytes(temp.Path() + L"a.log", "a");
    CZipWriter zip;
    ASSERT_TRUE(zip.Create(path));
    FileHandle file(::CreateFileW((temp.Path() + L"a.log").c_str(), GENERIC_READ, 0, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    DWORD error = 0;
    EXPECT_EQ(CZipWriter::FileOutcome::SourceFailed,
              zip.AddFolder(std::wstring(L"top/\xD800/"), Now(), error));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION), error);
    error = 0;
    EXPECT_EQ(CZipWriter::FileOutcome::SourceFailed,
              zip.AddFile(std::wstring(L"top/\xDC00.log"), Now(), file.Get(), 1, nullptr, error));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION), error);
    EXPECT_EQ(CZipWriter::FileOutcome::Added,
              zip.AddFile(L"top/a.log", Now(), file.Get(), 1, nullptr, error));
    ASSERT_TRUE(zip.Finish());
    EXPECT_EQ(ZipContents({{"top/a.log", "a"}}), Unpack(ReadBytes(path)));
}

// Run by ctest in zones with and without daylight saving (DORVAK_TEST_ZONE):
// a January and a July time, each at the offset of its own date whatever
// the season of the run.
TEST(ZipDosTime, IsLocalTimeAtTheOffsetOfItsOwnDate) {
    const char* zone = std::getenv("DORVAK_TEST_ZONE");
    if (zone == nullptr)
        GTEST_SKIP() << "no zone asked for";
    const bool berlin = std::string(zone) == "Berlin";
    const struct {
        WORD month, localHour; // 10:00:34 UTC on the 15th of 2026
    } rows[] = {{1, static_cast<WORD>(berlin ? 11 : 13)}, {7, static_cast<WORD>(berlin ? 12 : 13)}};
    for (const auto& row : rows) {
        SYSTEMTIME utcFields{2026, row.month, 0, 15, 10, 0, 34, 0};
        FILETIME utc{};
        ASSERT_TRUE(::SystemTimeToFileTime(&utcFields, &utc));
        std::uint16_t date = 0, time = 0;
        ZipDosDateTime(utc, date, time);
        EXPECT_EQ(((2026 - 1980) << 9) | (row.month << 5) | 15, date) << row.month;
        EXPECT_EQ((row.localHour << 11) | (34 / 2), time) << row.month;
    }
}
