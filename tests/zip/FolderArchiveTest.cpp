#include "zip/FolderArchive.h"

#include "support/TestFiles.h"
#include "win/Handles.h"

#include "support/ZipReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {
class RecordingObserver : public IArchiveObserver {
  public:
    void FileStarted(const std::wstring& path) override { started.push_back(path); }
    void LetPaintThrough() override { ++paints; }
    void FileUnreadable(const std::wstring& path, DWORD code) override {
        unreadable.emplace_back(path, code);
    }
    std::vector<std::wstring> started;
    std::vector<std::pair<std::wstring, DWORD>> unreadable;
    size_t paints = 0;
};

class FolderArchive : public ::testing::Test {
  protected:
    TempFolder m_temp{L"zip"};
    const std::wstring folder = m_temp.Path() + L"Сбор\\";
    const std::wstring archive = m_temp.Path() + L"Сбор.zip";
    RecordingObserver observer;

    ArchiveResult Pack() { return PackFolder(folder, archive, L"Сбор", observer); }
};
} // namespace

TEST_F(FolderArchive, AFileThatCannotBeOpenedIsToldAndLeftOutAndTheRestPacked) {
    MakeFolder(folder);
    MakeFolder(folder + L"Пустая");
    std::string big;
    for (int line = 0; big.size() < 1'000'000; ++line)
        big += "line " + std::to_string(line * 7919 % 100003) + "\r\n";
    WriteBytes(folder + L"held.log", "held");
    WriteBytes(folder + L"big.log", big);
    FileHandle held(::CreateFileW((folder + L"held.log").c_str(), GENERIC_READ, 0, nullptr,
                                  OPEN_EXISTING, 0, nullptr));

    const ArchiveResult result = Pack();

    EXPECT_TRUE(result.written);
    EXPECT_EQ(3u, result.entries);
    EXPECT_EQ(big.size(), result.bytesIn);
    const std::string zip = ReadBytes(archive);
    EXPECT_EQ(zip.size(), result.bytesOut);
    const ZipContents contents = Unpack(zip);
    EXPECT_EQ(
        (std::vector<std::string>{Utf8(L"Сбор/"), Utf8(L"Сбор/big.log"), Utf8(L"Сбор/Пустая/")}),
        SortedNames(contents));
    EXPECT_TRUE(contents.at(Utf8(L"Сбор/big.log")) == big);
    EXPECT_EQ((std::vector<std::wstring>{folder + L"big.log"}), observer.started);
    EXPECT_EQ((std::vector<std::pair<std::wstring, DWORD>>{
                  {folder + L"held.log", ERROR_SHARING_VIOLATION}}),
              observer.unreadable);
    EXPECT_GE(observer.paints, 3u); // between the 256 KiB chunks
}

TEST_F(FolderArchive, NothingIsWrittenWhereTheArchiveCannotBeMade) {
    MakeFolder(folder);
    WriteBytes(folder + L"a.log", "a");
    WriteBytes(archive, "someone else's");
    const struct {
        std::wstring folder, archive;
        DWORD error;
    } cases[] = {
        {folder, archive, ERROR_FILE_EXISTS}, // a name in the way is never replaced
        {folder, m_temp.Path() + L"missing\\a.zip", ERROR_PATH_NOT_FOUND},
        {m_temp.Path() + L"missing\\", m_temp.Path() + L"b.zip", ERROR_FILE_NOT_FOUND},
    };
    for (const auto& c : cases) {
        const ArchiveResult result = PackFolder(c.folder, c.archive, L"top", observer);
        EXPECT_FALSE(result.written);
        EXPECT_EQ(c.error, result.error) << Utf8(c.archive);
        EXPECT_EQ(0u, result.entries);
    }
    EXPECT_EQ("someone else's", ReadBytes(archive));
    EXPECT_EQ(L"Сбор.zip Сбор/", ListFolder(m_temp.Path()));
    EXPECT_TRUE(observer.started.empty());
}
