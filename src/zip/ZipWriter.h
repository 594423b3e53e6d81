// A ZIP archive (PKWARE APPNOTE) written front to back: entries deflated
// as they are read, then the central directory. Zip64 records appear only
// where a size, an offset or the entry count needs them. The archive is
// whole or absent: it is written under a temporary name beside its own
// and takes its name only once it is complete and on the disk, so a
// process ended while packing leaves nothing under the archive's name.
#pragma once

#include "win/Handles.h"
#include "zip/ZipRecords.h"

#include <windows.h>
#include <zlib.h>

#include <functional>
#include <string>
#include <vector>

// The DOS date and time fields of a UTC file time: local time at the
// offset in force on its own date, even seconds, years 1980 to 2107 (a
// time outside them becomes their first moment).
void ZipDosDateTime(const FILETIME& utc, std::uint16_t& date, std::uint16_t& time);

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

    // Starts the archive `path` as the new file PartPath(), shared with no
    // one until it is finished: a file already there under either name is a
    // failure (ERROR_FILE_EXISTS) and stays untouched.
    bool Create(const std::wstring& path);
    // The file written until Finish gives it the archive's name.
    const std::wstring& PartPath() const { return m_partPath; }

    enum class FileOutcome { Added, SourceFailed, ArchiveFailed };

    // A folder entry; `name` (forward slashes) ends with "/". A name that is
    // not valid UTF-16 (ERROR_NO_UNICODE_TRANSLATION) or too long for the
    // format (ERROR_FILENAME_EXCED_RANGE) is a source failure, for a file
    // as for a folder.
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

    // Writes the central directory, flushes the file to the disk, closes it
    // and gives it the archive's name, never over a file already there.
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
    std::wstring m_path, m_partPath;
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
