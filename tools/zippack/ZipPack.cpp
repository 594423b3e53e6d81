// Packs a folder into a new archive with PackFolder:
//
//   ZipPack <folder> <archive> <top name>
//
// Prints (UTF-8) "unreadable <code> <path>" per file or folder (its path
// ending with a backslash) left out, then
// "written <entries> <bytes in> <bytes out>" or "failed <code>"; exits 0
// when the archive was written.
#include "zip/FolderArchive.h"
#include "win/Utf8.h"

#include <cstdio>
#include <string>

namespace {
class PrintingObserver : public IArchiveObserver {
  public:
    void FileStarted(const std::wstring&) override {}
    void LetPaintThrough() override {}
    void FileUnreadable(const std::wstring& path, DWORD code) override {
        std::printf("unreadable %lu %s\n", static_cast<unsigned long>(code), Utf8(path).c_str());
    }
    void FolderUnreadable(const std::wstring& path, DWORD code) override {
        FileUnreadable(path, code);
    }
};
} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: ZipPack <folder> <archive> <top name>\n");
        return 2;
    }
    PrintingObserver observer;
    const ArchiveResult result = PackFolder(argv[1], argv[2], argv[3], observer);
    if (!result.written) {
        std::printf("failed %lu\n", static_cast<unsigned long>(result.error));
        return 1;
    }
    std::printf("written %llu %llu %llu\n", result.entries, result.bytesIn, result.bytesOut);
    return 0;
}
