// A ZIP archive (PKWARE APPNOTE) written front to back: entries deflated
// as they are read, then the central directory. Zip64 records appear only
// where a size, an offset or the entry count needs them.
#pragma once

#include "win/Handles.h"
#include "zip/ZipRecords.h"

#include <windows.h>
#include <zlib.h>

#include <functional>
#include <string>
#include <vector>

// What each entry keeps of its source beside the bytes.
struct ZipEntrySource {
    FILETIME lastWrite{}, lastAccess{}, creation{};
    DWORD attributes = 0; // FILE_ATTRIBUTE_*
};

class CZipWriter {
  public:
    CZipWriter();
    // An archive not finished is removed.
    ~CZipWriter();
    CZipWriter(const CZipWriter&) = delete;
    CZipWriter& operator=(const CZipWriter&) = delete;

    // Creates the archive as a new file, shared with no one until it is
    // finished: a file already there is a failure (ERROR_FILE_EXISTS) and
    // stays untouched.
    bool Create(const std::wstring& path);

    enum class FileOutcome { Added, SourceFailed, ArchiveFailed };

    // A folder entry; `name` (forward slashes) ends with "/". A name too
    // long for the format is a source failure (ERROR_FILENAME_EXCED_RANGE).
    FileOutcome AddFolder(const std::wstring& name, const ZipEntrySource& source,
                          DWORD& sourceError);

    // Deflates `file` from where it stands to its end as one entry.
    // `sizeHint` (its size when found) only decides whether the local header
    // makes room for Zip64 sizes at once; a file that outgrows it is read
    // again from its start. A failed read leaves the archive as it was
    // before the entry, with `sourceError` set; `betweenChunks` runs after
    // each chunk.
    FileOutcome AddFile(const std::wstring& name, const ZipEntrySource& source, HANDLE file,
                        ULONGLONG sizeHint, const std::function<void()>& betweenChunks,
                        DWORD& sourceError);

    // Writes the central directory and closes the archive.
    bool Finish();
    // Closes and deletes an unfinished archive.
    void Abandon();

    // The system error of the first failed archive write, else 0.
    DWORD Error() const { return m_error; }
    unsigned long long Entries() const { return m_entries; }
    unsigned long long BytesIn() const { return m_bytesIn; }
    unsigned long long BytesOut() const { return m_offset; }

  private:
    enum class Stream { Done, SourceFailed, ArchiveFailed, NeedsZip64 };

    bool MakeEntry(const std::wstring& name, const ZipEntrySource& source, ZipItem& entry,
                   DWORD& sourceError) const;
    Stream DeflateEntry(ZipItem& entry, HANDLE file, const std::function<void()>& betweenChunks,
                        DWORD& sourceError);
    bool RewriteLocalHeader(const ZipItem& entry);
    bool RewindTo(ULONGLONG offset);
    void AddToDirectory(const ZipItem& entry);
    bool Put(const void* bytes, size_t size);
    bool Flush();
    bool Fail(DWORD error);

    FileHandle m_file;
    std::wstring m_path;
    z_stream m_deflate{};
    bool m_deflateReady = false;
    std::vector<unsigned char> m_in;
    // The first m_outUsed bytes are not written yet: the archive's file ends
    // at m_offset - m_outUsed. Deflate writes straight into it.
    std::vector<unsigned char> m_out;
    size_t m_outUsed = 0;
    ULONGLONG m_offset = 0;
    // The central directory in chunks, so that a large one never needs one
    // block twice its size while it grows.
    std::vector<std::string> m_directory;
    ULONGLONG m_directorySize = 0;
    unsigned long long m_entries = 0, m_bytesIn = 0;
    DWORD m_error = 0;
};
