#include "collect/ZipWriter.h"

#include "win/Utf8.h"
#include "win/WriteAll.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr ULONG kLocalHeader = 0x04034b50;
constexpr ULONG kCentralHeader = 0x02014b50;
constexpr ULONG kZip64End = 0x06064b50;
constexpr ULONG kZip64Locator = 0x07064b50;
constexpr ULONG kEnd = 0x06054b50;
constexpr ULONGLONG kMax32 = 0xFFFFFFFF;
constexpr ULONGLONG kMax16 = 0xFFFF;
// Deflate can make incompressible data a little larger, and a file can
// grow while it is read: from this size on the local header has room for
// Zip64 sizes from the start, so it rarely has to be written again.
constexpr ULONGLONG kZip64FromStart = 0xFF000000;
constexpr size_t kChunk = 256 * 1024;
constexpr USHORT kDeflated = 8;
constexpr USHORT kUtf8Name = 1 << 11;
// Host 0 (MS-DOS attributes in the external field), APPNOTE 4.5.
constexpr USHORT kMadeBy = 45;
// The NTFS extra field (0x000A) with its one attribute (tag 1): the three
// file times, 100-nanosecond exact. Readers take it from the central
// directory; a copy in each local header would cost over a percent of a
// typical archive of logs.
constexpr USHORT kTimesSize = 36;

void Put16(std::string& out, ULONGLONG value) {
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>((value >> 8) & 0xFF));
}
void Put32(std::string& out, ULONGLONG value) {
    Put16(out, value & 0xFFFF);
    Put16(out, (value >> 16) & 0xFFFF);
}
void Put64(std::string& out, ULONGLONG value) {
    Put32(out, value & kMax32);
    Put32(out, value >> 32);
}
void PutFileTime(std::string& out, const FILETIME& time) {
    Put32(out, time.dwLowDateTime);
    Put32(out, time.dwHighDateTime);
}

// Local calendar time as the DOS fields hold it (even seconds, years 1980
// to 2107); a time outside them becomes their first moment.
void DosDateTime(const FILETIME& utc, USHORT& date, USHORT& time) {
    FILETIME local;
    SYSTEMTIME fields;
    date = (1 << 5) | 1;
    time = 0;
    if (!::FileTimeToLocalFileTime(&utc, &local) || !::FileTimeToSystemTime(&local, &fields) ||
        fields.wYear < 1980 || fields.wYear > 2107)
        return;
    date = static_cast<USHORT>(((fields.wYear - 1980) << 9) | (fields.wMonth << 5) | fields.wDay);
    time = static_cast<USHORT>((fields.wHour << 11) | (fields.wMinute << 5) | (fields.wSecond / 2));
}
} // namespace

struct CZipWriter::Entry {
    std::string name; // UTF-8
    ZipEntrySource source;
    USHORT flags = 0, method = 0, dosDate = 0, dosTime = 0;
    ULONG crc = 0;
    ULONGLONG sizeIn = 0, sizeOut = 0, offset = 0;
    bool zip64Local = false;

    std::string LocalHeader() const {
        std::string header;
        Put32(header, kLocalHeader);
        Put16(header, zip64Local ? 45 : 20);
        Put16(header, flags);
        Put16(header, method);
        Put16(header, dosTime);
        Put16(header, dosDate);
        Put32(header, crc);
        Put32(header, zip64Local ? kMax32 : sizeOut);
        Put32(header, zip64Local ? kMax32 : sizeIn);
        const std::string unixTime = UnixTime();
        Put16(header, name.size());
        Put16(header, (zip64Local ? 20 : 0) + 4 + unixTime.size());
        header += name;
        if (zip64Local) {
            Put16(header, 0x0001);
            Put16(header, 16);
            Put64(header, sizeIn);
            Put64(header, sizeOut);
        }
        Put16(header, 0x5455);
        Put16(header, unixTime.size());
        header += unixTime;
        return header;
    }

    std::string CentralHeader() const {
        // Only the fields too large for their 32-bit places, in this order.
        std::string zip64;
        if (sizeIn >= kMax32)
            Put64(zip64, sizeIn);
        if (sizeOut >= kMax32)
            Put64(zip64, sizeOut);
        if (offset >= kMax32)
            Put64(zip64, offset);
        std::string header;
        Put32(header, kCentralHeader);
        Put16(header, kMadeBy);
        Put16(header, zip64.empty() && !zip64Local ? 20 : 45);
        Put16(header, flags);
        Put16(header, method);
        Put16(header, dosTime);
        Put16(header, dosDate);
        Put32(header, crc);
        Put32(header, std::min(sizeOut, kMax32));
        Put32(header, std::min(sizeIn, kMax32));
        Put16(header, name.size());
        Put16(header, kTimesSize + (zip64.empty() ? 0 : 4 + zip64.size()));
        Put16(header, 0); // comment
        Put16(header, 0); // disk
        Put16(header, 0); // internal attributes
        Put32(header, source.attributes &
                          (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                           FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_ARCHIVE));
        Put32(header, std::min(offset, kMax32));
        header += name;
        if (!zip64.empty()) {
            Put16(header, 0x0001);
            Put16(header, zip64.size());
            header += zip64;
        }
        PutTimes(header);
        return header;
    }

    // Info-ZIP's extended timestamp, the last-write time in Unix seconds
    // (none outside 1970 to 2038). Info-ZIP's unzip restores it to the second
    // where it would take the DOS fields' even seconds, and it reads a
    // UTF-8 name in a local header only when the header has some extra field.
    std::string UnixTime() const {
        const ULONGLONG time =
            ULARGE_INTEGER{{source.lastWrite.dwLowDateTime, source.lastWrite.dwHighDateTime}}
                .QuadPart;
        const ULONGLONG unixEpoch = 116444736000000000;
        std::string field(1, '\0');
        if (time >= unixEpoch && (time - unixEpoch) / 10'000'000 <= 0x7FFFFFFF) {
            field[0] = 1;
            Put32(field, (time - unixEpoch) / 10'000'000);
        }
        return field;
    }

    void PutTimes(std::string& header) const {
        Put16(header, 0x000A);
        Put16(header, kTimesSize - 4);
        Put32(header, 0);
        Put16(header, 1);
        Put16(header, 24);
        PutFileTime(header, source.lastWrite);
        PutFileTime(header, source.lastAccess);
        PutFileTime(header, source.creation);
    }
};

CZipWriter::CZipWriter() : m_in(kChunk), m_out(kChunk) {
    // Raw deflate (no zlib wrapper), as ZIP stores it; level 6 as zip's default.
    m_deflateReady =
        ::deflateInit2(&m_deflate, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) == Z_OK;
}

CZipWriter::~CZipWriter() {
    Abandon();
    if (m_deflateReady)
        ::deflateEnd(&m_deflate);
}

bool CZipWriter::Create(const std::wstring& path) {
    m_file.Reset(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!m_file)
        return Fail(::GetLastError());
    m_path = path;
    if (!m_deflateReady)
        return Fail(ERROR_NOT_ENOUGH_MEMORY);
    return true;
}

bool CZipWriter::MakeEntry(const std::wstring& name, const ZipEntrySource& source, Entry& entry,
                           DWORD& sourceError) const {
    entry.name = Utf8(name);
    if (entry.name.size() > kMax16) {
        sourceError = ERROR_FILENAME_EXCED_RANGE;
        return false;
    }
    entry.source = source;
    const bool ascii = std::all_of(entry.name.begin(), entry.name.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    entry.flags = ascii ? 0 : kUtf8Name;
    DosDateTime(source.lastWrite, entry.dosDate, entry.dosTime);
    entry.offset = m_offset;
    return true;
}

CZipWriter::FileOutcome CZipWriter::AddFolder(const std::wstring& name,
                                              const ZipEntrySource& source, DWORD& sourceError) {
    Entry entry;
    if (m_error)
        return FileOutcome::ArchiveFailed;
    if (!MakeEntry(name, source, entry, sourceError))
        return FileOutcome::SourceFailed;
    const std::string header = entry.LocalHeader();
    if (!Put(header.data(), header.size()))
        return FileOutcome::ArchiveFailed;
    AddToDirectory(entry);
    return FileOutcome::Added;
}

CZipWriter::FileOutcome CZipWriter::AddFile(const std::wstring& name, const ZipEntrySource& source,
                                            HANDLE file, ULONGLONG sizeHint,
                                            const std::function<void()>& betweenChunks,
                                            DWORD& sourceError) {
    Entry entry;
    if (m_error)
        return FileOutcome::ArchiveFailed;
    if (!MakeEntry(name, source, entry, sourceError))
        return FileOutcome::SourceFailed;
    entry.zip64Local = sizeHint >= kZip64FromStart;
    for (;;) {
        switch (DeflateEntry(entry, file, betweenChunks, sourceError)) {
        case Stream::Done:
            if (!RewriteLocalHeader(entry))
                return FileOutcome::ArchiveFailed;
            AddToDirectory(entry);
            m_bytesIn += entry.sizeIn;
            return FileOutcome::Added;
        case Stream::SourceFailed:
            return RewindTo(entry.offset) ? FileOutcome::SourceFailed : FileOutcome::ArchiveFailed;
        case Stream::ArchiveFailed:
            return FileOutcome::ArchiveFailed;
        case Stream::NeedsZip64: {
            // The file grew past what its local header has room for.
            if (!RewindTo(entry.offset))
                return FileOutcome::ArchiveFailed;
            entry.zip64Local = true;
            const LARGE_INTEGER start{};
            if (!::SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) {
                sourceError = ::GetLastError();
                return FileOutcome::SourceFailed;
            }
            break;
        }
        }
    }
}

CZipWriter::Stream CZipWriter::DeflateEntry(Entry& entry, HANDLE file,
                                            const std::function<void()>& betweenChunks,
                                            DWORD& sourceError) {
    const std::string header = entry.LocalHeader();
    if (!Put(header.data(), header.size()))
        return Stream::ArchiveFailed;
    const ULONGLONG dataStart = m_offset;
    ::deflateReset(&m_deflate);
    ULONG crc = ::crc32(0, nullptr, 0);
    ULONGLONG sizeIn = 0;
    for (bool end = false; !end;) {
        DWORD read = 0;
        if (!::ReadFile(file, m_in.data(), static_cast<DWORD>(m_in.size()), &read, nullptr)) {
            sourceError = ::GetLastError();
            return Stream::SourceFailed;
        }
        end = read == 0;
        if (end && sizeIn == 0)
            break; // stored as an empty entry, without even deflate's end block
        crc = ::crc32(crc, m_in.data(), read);
        sizeIn += read;
        m_deflate.next_in = m_in.data();
        m_deflate.avail_in = read;
        int status = Z_OK;
        do {
            const size_t room = m_out.size() - m_outUsed;
            m_deflate.next_out = m_out.data() + m_outUsed;
            m_deflate.avail_out = static_cast<uInt>(room);
            status = ::deflate(&m_deflate, end ? Z_FINISH : Z_NO_FLUSH);
            const size_t produced = room - m_deflate.avail_out;
            m_outUsed += produced;
            m_offset += produced;
            if (m_outUsed == m_out.size() && !Flush())
                return Stream::ArchiveFailed;
        } while (m_deflate.avail_in > 0 || (end && status != Z_STREAM_END));
        if (!end && betweenChunks)
            betweenChunks();
    }
    entry.method = sizeIn ? kDeflated : 0;
    entry.crc = crc;
    entry.sizeIn = sizeIn;
    entry.sizeOut = m_offset - dataStart;
    if (!entry.zip64Local && (entry.sizeIn >= kMax32 || entry.sizeOut >= kMax32))
        return Stream::NeedsZip64;
    return Stream::Done;
}

bool CZipWriter::RewriteLocalHeader(const Entry& entry) {
    const std::string header = entry.LocalHeader();
    const ULONGLONG fileEnd = m_offset - m_outUsed;
    if (entry.offset >= fileEnd) {
        std::memcpy(m_out.data() + (entry.offset - fileEnd), header.data(), header.size());
        return true;
    }
    if (!Flush())
        return false;
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(entry.offset);
    const LARGE_INTEGER none{};
    DWORD written = 0;
    if (!::SetFilePointerEx(m_file.Get(), position, nullptr, FILE_BEGIN) ||
        !::WriteFile(m_file.Get(), header.data(), static_cast<DWORD>(header.size()), &written,
                     nullptr) ||
        !::SetFilePointerEx(m_file.Get(), none, nullptr, FILE_END))
        return Fail(::GetLastError());
    return written == header.size() || Fail(ERROR_DISK_FULL);
}

bool CZipWriter::RewindTo(ULONGLONG offset) {
    const ULONGLONG fileEnd = m_offset - m_outUsed;
    m_offset = offset;
    if (offset >= fileEnd) {
        m_outUsed = static_cast<size_t>(offset - fileEnd);
        return true;
    }
    m_outUsed = 0;
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(offset);
    if (!::SetFilePointerEx(m_file.Get(), position, nullptr, FILE_BEGIN) ||
        !::SetEndOfFile(m_file.Get()))
        return Fail(::GetLastError());
    return true;
}

void CZipWriter::AddToDirectory(const Entry& entry) {
    const std::string header = entry.CentralHeader();
    if (m_directory.empty() || m_directory.back().size() + header.size() > kChunk) {
        m_directory.emplace_back();
        m_directory.back().reserve(kChunk);
    }
    m_directory.back() += header;
    m_directorySize += header.size();
    ++m_entries;
}

bool CZipWriter::Finish() {
    if (m_error || !m_file)
        return false;
    const ULONGLONG directoryOffset = m_offset;
    for (std::string& chunk : m_directory) {
        if (!Put(chunk.data(), chunk.size()))
            return false;
        std::string().swap(chunk);
    }
    std::string end;
    if (m_entries >= kMax16 || m_directorySize >= kMax32 || directoryOffset >= kMax32) {
        const ULONGLONG zip64EndOffset = m_offset;
        Put32(end, kZip64End);
        Put64(end, 44); // the record's size after this field
        Put16(end, kMadeBy);
        Put16(end, 45);
        Put32(end, 0); // this disk
        Put32(end, 0); // the directory's disk
        Put64(end, m_entries);
        Put64(end, m_entries);
        Put64(end, m_directorySize);
        Put64(end, directoryOffset);
        Put32(end, kZip64Locator);
        Put32(end, 0);
        Put64(end, zip64EndOffset);
        Put32(end, 1); // disks
    }
    Put32(end, kEnd);
    Put16(end, 0);
    Put16(end, 0);
    Put16(end, std::min(m_entries, kMax16));
    Put16(end, std::min(m_entries, kMax16));
    Put32(end, std::min(m_directorySize, kMax32));
    Put32(end, std::min(directoryOffset, kMax32));
    Put16(end, 0); // comment
    if (!Put(end.data(), end.size()) || !Flush())
        return false;
    m_file.Reset();
    m_path.clear();
    return true;
}

void CZipWriter::Abandon() {
    m_file.Reset();
    if (!m_path.empty())
        ::DeleteFileW(m_path.c_str());
    m_path.clear();
}

bool CZipWriter::Put(const void* bytes, size_t size) {
    const unsigned char* next = static_cast<const unsigned char*>(bytes);
    while (size > 0) {
        if (m_error)
            return false;
        const size_t part = std::min(size, m_out.size() - m_outUsed);
        std::memcpy(m_out.data() + m_outUsed, next, part);
        m_outUsed += part;
        m_offset += part;
        next += part;
        size -= part;
        if (m_outUsed == m_out.size() && !Flush())
            return false;
    }
    return !m_error;
}

bool CZipWriter::Flush() {
    if (const DWORD code = WriteAll(m_file.Get(), m_out.data(), m_outUsed))
        return Fail(code);
    m_outUsed = 0;
    return true;
}

bool CZipWriter::Fail(DWORD error) {
    if (!m_error)
        m_error = error ? error : ERROR_WRITE_FAULT;
    return false;
}
