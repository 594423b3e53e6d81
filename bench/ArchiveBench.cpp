// One packing of a folder with PackFolder, in a process of its own so that
// its peak working set is the packing's alone:
//
//   ArchiveBench <folder> <archive>
//   ArchiveBench <folder> --read-only
//
// Prints "packed <entries> <bytes in> <archive bytes> <seconds> <peak KiB>
// <KiB before>" and removes the archive. With --read-only it only opens and
// reads every file in the same chunks, and prints "read <files> <bytes>
// <seconds>": what the platform alone costs (under Wine, most of it).
// bench/archive_bench.py times Info-ZIP's zip on the same folder beside it
// and works out the ratios.
#include "BenchSupport.h"

#include "zip/FolderArchive.h"
#include "win/FolderEnumerator.h"
#include "win/Handles.h"

#include <psapi.h>

#include <cstdio>
#include <vector>

namespace {
class CountingObserver : public IArchiveObserver {
  public:
    void FileStarted(const std::wstring&) override {}
    void LetPaintThrough() override {}
    void FileUnreadable(const std::wstring& path, DWORD code) override {
        std::fwprintf(stderr, L"unreadable (%lu): %ls\n", code, path.c_str());
        ++failures;
    }
    void FolderUnreadable(const std::wstring& path, DWORD code) override {
        FileUnreadable(path, code);
    }
    unsigned long failures = 0;
};

void ReadAll(const std::wstring& folder, std::vector<char>& buffer, unsigned long& files,
             ULONGLONG& bytes) {
    ForEachFoundEntry(folder + L"*", [&](const WIN32_FIND_DATAW& entry) {
        if (IsDots(entry))
            return;
        const std::wstring path = folder + entry.cFileName;
        if (IsFolderEntry(entry))
            return ReadAll(path + L"\\", buffer, files, bytes);
        FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        DWORD read = 0;
        while (file &&
               ::ReadFile(file.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read,
                          nullptr) &&
               read > 0)
            bytes += read;
        ++files;
    });
}

SIZE_T PeakWorkingSetKib() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
    return counters.PeakWorkingSetSize / 1024;
}
} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fwprintf(stderr, L"usage: ArchiveBench <folder> <archive>|--read-only\n");
        return 2;
    }
    const std::wstring archive = argv[2];
    if (archive == L"--read-only") {
        std::vector<char> buffer(256 * 1024);
        unsigned long files = 0;
        ULONGLONG bytes = 0;
        const double start = Seconds();
        ReadAll(WithBackslash(argv[1]), buffer, files, bytes);
        PrintLine(L"read %lu %llu %.3f", files, bytes, Seconds() - start);
        return 0;
    }
    ::DeleteFileW(archive.c_str());
    const SIZE_T before = PeakWorkingSetKib();
    CountingObserver observer;
    const double start = Seconds();
    const ArchiveResult result = PackFolder(WithBackslash(argv[1]), archive, L"top", observer);
    const double elapsed = Seconds() - start;
    const SIZE_T peak = PeakWorkingSetKib();
    ::DeleteFileW(archive.c_str());
    if (!result.written) {
        std::fwprintf(stderr, L"not written: error %lu\n", result.error);
        return 1;
    }
    PrintLine(L"packed %llu %llu %llu %.3f %lu %lu", result.entries, result.bytesIn,
              result.bytesOut, elapsed, static_cast<unsigned long>(peak),
              static_cast<unsigned long>(before));
    return observer.failures == 0 ? 0 : 1;
}
