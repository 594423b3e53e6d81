#include "zip/FolderArchive.h"

#include "support/TestFiles.h"
#include "win/Handles.h"
#include "win/ProcessStart.h"

#include "support/ZipReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

namespace {
class RecordingObserver : public IArchiveObserver {
  public:
    void FileStarted(const std::wstring& path) override {
        started.push_back(path);
        if (onStarted)
            onStarted();
    }
    void LetPaintThrough() override { ++paints; }
    void FileUnreadable(const std::wstring& path, DWORD code) override {
        unreadable.emplace_back(path, code);
    }
    void FolderUnreadable(const std::wstring& path, DWORD code) override {
        unreadable.emplace_back(path, code);
    }
    std::function<void()> onStarted;
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

bool IsFolderLink(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    const DWORD link = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & link) == link;
}

// A link to a folder, as another process would plant it. Wine makes none
// itself (its CreateSymbolicLinkW does nothing) but shows a symbolic link of
// its host as one, so there the host's ln makes it.
void MakeFolderLink(const std::wstring& link, const std::wstring& target) {
    if (::CreateSymbolicLinkW(link.c_str(), target.c_str(),
                              SYMBOLIC_LINK_FLAG_DIRECTORY |
                                  SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) &&
        IsFolderLink(link))
        return;
    using UnixName = char*(CDECL*)(LPCWSTR);
    const auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    ASSERT_NE(nullptr, unixName) << "no link made: " << ::GetLastError();
    const auto host = [&](const std::wstring& path) {
        char* name = unixName(path.c_str());
        std::wstring wide(path.size() * 4, L'\0');
        wide.resize(::MultiByteToWideChar(CP_UTF8, 0, name, -1, wide.data(),
                                          static_cast<int>(wide.size())) -
                    1);
        ::HeapFree(::GetProcessHeap(), 0, name);
        return L'"' + wide + L'"';
    };
    ProcessStart start;
    start.commandLine = L"Z:\\bin\\ln -s " + host(target) + L" " + host(link);
    // Wine hands back no handle of a host program, so the link is waited for.
    const StartedProcess ln = StartProcess(start);
    ASSERT_EQ(0u, ln.error);
    for (const ULONGLONG deadline = ::GetTickCount64() + 60'000;
         !IsFolderLink(link) && ::GetTickCount64() < deadline;)
        ::Sleep(10);
    ASSERT_TRUE(IsFolderLink(link)) << Utf8(start.commandLine);
}
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
    // Whole or absent: nothing bears the archive's name while it is written.
    observer.onStarted = [&] { EXPECT_FALSE(Exists(archive)); };

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
    WriteBytes(m_temp.Path() + L"b.zip.part", "");
    const struct {
        std::wstring folder, archive;
        DWORD error;
    } cases[] = {
        {folder, archive, ERROR_FILE_EXISTS}, // a name in the way is never replaced
        {folder, m_temp.Path() + L"b.zip", ERROR_FILE_EXISTS}, // nor its temporary one
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
    EXPECT_EQ(L"b.zip.part Сбор.zip Сбор/", ListFolder(m_temp.Path()));
    EXPECT_TRUE(observer.started.empty());
}

// A link another process planted, and a folder gone by the time the walk
// lists it: each is told once with its path and the system error, and
// nothing of either is packed.
TEST_F(FolderArchive, ALinkAndAFolderThatCannotBeListedAreToldAndLeftOut) {
    MakeFolder(folder);
    MakeFolder(m_temp.Path() + L"outside");
    WriteBytes(m_temp.Path() + L"outside\\secret.log", "not the folder's own");
    ASSERT_NO_FATAL_FAILURE(MakeFolderLink(folder + L"link", m_temp.Path() + L"outside"));
    WriteBytes(folder + L"a.log", "a");
    MakeFolder(folder + L"gone");
    WriteBytes(folder + L"gone\\inner.log", "inner");
    // Entries come in name order: a.log, then gone and link.
    observer.onStarted = [&] { EXPECT_TRUE(RemoveTree(folder + L"gone")); };

    EXPECT_TRUE(Pack().written);

    EXPECT_EQ((std::vector<std::string>{Utf8(L"Сбор/"), Utf8(L"Сбор/a.log"), Utf8(L"Сбор/gone/")}),
              SortedNames(Unpack(ReadBytes(archive))));
    EXPECT_EQ(
        (std::vector<std::pair<std::wstring, DWORD>>{{folder + L"gone\\", ERROR_PATH_NOT_FOUND},
                                                     {folder + L"link\\", ERROR_CANT_ACCESS_FILE}}),
        observer.unreadable);
    EXPECT_EQ("not the folder's own", ReadBytes(m_temp.Path() + L"outside\\secret.log"));
}
