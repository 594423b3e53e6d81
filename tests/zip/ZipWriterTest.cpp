#include "zip/ZipWriter.h"

#include "support/TestFiles.h"
#include "support/ZipReader.h"

#include <gtest/gtest.h>

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
