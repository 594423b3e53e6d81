#include "zip/FolderArchive.h"

#include "zip/ZipWriter.h"
#include "win/FolderEnumerator.h"
#include "win/LongPath.h"

#include <memory>
#include <vector>

namespace {
using Outcome = CZipWriter::FileOutcome;

ZipEntrySource SourceOf(const WIN32_FIND_DATAW& entry) {
    return {entry.ftLastWriteTime, entry.ftLastAccessTime, entry.ftCreationTime,
            entry.dwFileAttributes};
}

bool SamePath(const std::wstring& one, const std::wstring& other) {
    return ::CompareStringOrdinal(one.c_str(), static_cast<int>(one.size()), other.c_str(),
                                  static_cast<int>(other.size()), TRUE) == CSTR_EQUAL;
}

// One walk of the folder into one archive. Open searches are kept one per
// level on the heap rather than in recursion, so a deep tree costs no stack.
class CFolderPacker {
  public:
    CFolderPacker(const std::wstring& folder, const std::wstring& archive,
                  const std::wstring& topName, IArchiveObserver& observer, CZipWriter& zip)
        : m_display(folder), m_access(ExtendedLengthPath(folder)), m_archive(archive),
          m_observer(observer), m_zip(zip), m_namePrefix(topName.empty() ? L"" : topName + L"/") {}

    // False once the archive cannot be written.
    bool Pack(const ZipEntrySource& top) {
        if (!m_namePrefix.empty()) {
            const Outcome outcome = AddFolder(L"", top);
            if (outcome != Outcome::Added)
                return outcome != Outcome::ArchiveFailed;
        }
        struct Level {
            std::unique_ptr<CFolderEnumerator> entries;
            size_t relativeLength;
        };
        std::vector<Level> levels;
        std::wstring relative; // below the folder, backslashes, ending with one
        levels.push_back({std::make_unique<CFolderEnumerator>(m_access + L"*"), 0});
        WIN32_FIND_DATAW entry;
        while (!levels.empty()) {
            CFolderEnumerator& entries = *levels.back().entries;
            relative.resize(levels.back().relativeLength);
            if (!entries.Next(entry)) {
                if (const DWORD error = entries.Error())
                    m_observer.FolderUnreadable(m_display + relative, error);
                levels.pop_back();
                continue;
            }
            if (IsDots(entry))
                continue;
            const std::wstring path = relative + entry.cFileName;
            if ((entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
                // The folder holds what its owner wrote into it; a link there
                // is someone else's, and whatever it leads to is not packed.
                if (IsFolderEntry(entry))
                    m_observer.FolderUnreadable(m_display + path + L"\\", ERROR_CANT_ACCESS_FILE);
                else
                    m_observer.FileUnreadable(m_display + path, ERROR_CANT_ACCESS_FILE);
                continue;
            }
            if (!IsFolderEntry(entry)) {
                if (!AddFile(path, entry))
                    return false;
                continue;
            }
            const Outcome outcome = AddFolder(path + L"\\", SourceOf(entry));
            if (outcome == Outcome::ArchiveFailed)
                return false;
            if (outcome == Outcome::Added) {
                relative = path + L"\\";
                levels.push_back({std::make_unique<CFolderEnumerator>(m_access + relative + L"*"),
                                  relative.size()});
            }
        }
        return true;
    }

  private:
    std::wstring EntryName(const std::wstring& relative) const {
        std::wstring name = m_namePrefix + relative;
        for (wchar_t& c : name)
            if (c == L'\\')
                c = L'/';
        return name;
    }

    // A folder whose entry cannot be made is left out with all it holds.
    Outcome AddFolder(const std::wstring& relative, const ZipEntrySource& source) {
        DWORD sourceError = 0;
        const Outcome outcome = m_zip.AddFolder(EntryName(relative), source, sourceError);
        if (outcome == Outcome::SourceFailed)
            m_observer.FolderUnreadable(m_display + relative, sourceError);
        return outcome;
    }

    bool AddFile(const std::wstring& relative, const WIN32_FIND_DATAW& entry) {
        // By path: asking each file for its identity costs more than packing
        // it under Wine. The archive shares nothing, so a spelling of its
        // path that differs (a short name) fails to open rather than being
        // packed into itself.
        if (SamePath(m_access + relative, m_archive))
            return true;
        const ULONGLONG size = (ULONGLONG{entry.nFileSizeHigh} << 32) | entry.nFileSizeLow;
        m_observer.FileFound(size);
        const std::wstring display = m_display + relative;
        FileHandle file(::CreateFileW((m_access + relative).c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (!file) {
            m_observer.FileUnreadable(display, ::GetLastError());
            return true;
        }
        m_observer.FileStarted(display);
        DWORD sourceError = 0;
        const Outcome outcome = m_zip.AddFile(
            EntryName(relative), SourceOf(entry), file.Get(), size,
            [this] { m_observer.LetPaintThrough(); }, sourceError);
        if (outcome == Outcome::SourceFailed)
            m_observer.FileUnreadable(display, sourceError);
        return outcome != Outcome::ArchiveFailed;
    }

    const std::wstring m_display, m_access, m_archive;
    IArchiveObserver& m_observer;
    CZipWriter& m_zip;
    const std::wstring m_namePrefix;
};
} // namespace

ArchiveResult PackFolder(const std::wstring& folder, const std::wstring& archivePath,
                         const std::wstring& topName, IArchiveObserver& observer) {
    const ULONGLONG started = ::GetTickCount64();
    ArchiveResult result;
    const std::wstring base = folder.empty() || folder.back() == L'\\' ? folder : folder + L'\\';
    // The folder must be there before an archive is made for it.
    WIN32_FILE_ATTRIBUTE_DATA top;
    if (!::GetFileAttributesExW(ExtendedLengthPath(base).c_str(), GetFileExInfoStandard, &top)) {
        result.error = ::GetLastError();
    } else if ((top.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        result.error = ERROR_DIRECTORY;
    } else {
        CZipWriter zip;
        if (zip.Create(ExtendedLengthPath(archivePath)) &&
            CFolderPacker(base, zip.PartPath(), topName, observer, zip)
                .Pack({top.ftLastWriteTime, top.ftLastAccessTime, top.ftCreationTime,
                       top.dwFileAttributes}) &&
            zip.Finish()) {
            result.written = true;
            result.entries = zip.Entries();
            result.bytesIn = zip.BytesIn();
            result.bytesOut = zip.BytesOut();
        } else {
            zip.Abandon();
            result.error = zip.Error();
        }
    }
    result.durationMs = ::GetTickCount64() - started;
    return result;
}
