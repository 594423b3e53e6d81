#include "zip/ZipWriter.h"

#include "win/DateTime.h"
#include "win/Utf8.h"
#include "win/WriteAll.h"

#include <algorithm>
#include <cstring>

namespace {
// Deflate can make incompressible data a little larger, and a file can
// grow while it is read: from this size on the local header has room for
// Zip64 sizes from the start, so it rarely has to be written again.
constexpr ULONGLONG kZip64FromStart = 0xFF000000;
constexpr size_t kChunk = 256 * 1024;
constexpr USHORT kDeflated = 8;
constexpr USHORT kUtf8Name = 1 << 11;

// Beside the archive's final name while it is written: the final name
// appears only once the archive is whole.
constexpr wchar_t kPartSuffix[] = L".part";

std::uint64_t Ticks(const FILETIME& time) {
    return (std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
}
} // namespace

void ZipDosDateTime(const FILETIME& utc, std::uint16_t& date, std::uint16_t& time) {
    SYSTEMTIME fields;
    date = (1 << 5) | 1;
    time = 0;
    if (!LocalFieldsOnItsDate(utc, fields) || fields.wYear < 1980 || fields.wYear > 2107)
        return;
    date = static_cast<USHORT>(((fields.wYear - 1980) << 9) | (fields.wMonth << 5) | fields.wDay);
    time = static_cast<USHORT>((fields.wHour << 11) | (fields.wMinute << 5) | (fields.wSecond / 2));
}

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
    if (::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES)
        return Fail(ERROR_FILE_EXISTS);
    const std::wstring part = path + kPartSuffix;
    m_file.Reset(::CreateFileW(part.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!m_file)
        return Fail(::GetLastError());
    m_path = path;
    m_partPath = part;
    if (!m_deflateReady)
        return Fail(ERROR_NOT_ENOUGH_MEMORY);
    return true;
}

bool CZipWriter::MakeEntry(const std::wstring& name, const ZipEntrySource& source, ZipItem& entry,
                           DWORD& sourceError) const {
    if (!ExactUtf8(name, entry.name)) {
        sourceError = ERROR_NO_UNICODE_TRANSLATION;
        return false;
    }
    if (entry.name.size() > kZipMax16) {
        sourceError = ERROR_FILENAME_EXCED_RANGE;
        return false;
    }
    entry.lastWrite = Ticks(source.lastWrite);
    entry.lastAccess = Ticks(source.lastAccess);
    entry.creation = Ticks(source.creation);
    entry.attributes = source.attributes;
    const bool ascii = std::all_of(entry.name.begin(), entry.name.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    entry.flags = ascii ? 0 : kUtf8Name;
    ZipDosDateTime(source.lastWrite, entry.dosDate, entry.dosTime);
    entry.offset = m_offset;
    return true;
}

CZipWriter::FileOutcome CZipWriter::AddFolder(const std::wstring& name,
                                              const ZipEntrySource& source, DWORD& sourceError) {
    ZipItem entry;
    if (m_error)
        return FileOutcome::ArchiveFailed;
    if (!MakeEntry(name, source, entry, sourceError))
        return FileOutcome::SourceFailed;
    const std::string header = ZipLocalHeader(entry);
    if (!Put(header.data(), header.size()))
        return FileOutcome::ArchiveFailed;
    AddToDirectory(entry);
    return FileOutcome::Added;
}

CZipWriter::FileOutcome CZipWriter::AddFile(const std::wstring& name, const ZipEntrySource& source,
                                            HANDLE file, ULONGLONG sizeHint,
                                            const std::function<void()>& betweenChunks,
                                            DWORD& sourceError) {
    ZipItem entry;
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

CZipWriter::Stream CZipWriter::DeflateEntry(ZipItem& entry, HANDLE file,
                                            const std::function<void()>& betweenChunks,
                                            DWORD& sourceError) {
    const std::string header = ZipLocalHeader(entry);
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
    if (!entry.zip64Local && (entry.sizeIn >= kZipMax32 || entry.sizeOut >= kZipMax32))
        return Stream::NeedsZip64;
    return Stream::Done;
}

bool CZipWriter::RewriteLocalHeader(const ZipItem& entry) {
    const std::string header = ZipLocalHeader(entry);
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

void CZipWriter::AddToDirectory(const ZipItem& entry) {
    const std::string header = ZipCentralHeader(entry);
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
    const std::string end = ZipEndRecords(m_entries, m_directorySize, directoryOffset);
    if (!Put(end.data(), end.size()) || !Flush())
        return false;
    // On the disk before the final name says the archive is whole; a power
    // cut after the rename must not leave a name over missing blocks.
    if (!::FlushFileBuffers(m_file.Get()))
        return Fail(::GetLastError());
    m_file.Reset();
    // Never over a file another process put there meanwhile.
    if (!::MoveFileExW(m_partPath.c_str(), m_path.c_str(), MOVEFILE_WRITE_THROUGH))
        return Fail(::GetLastError());
    m_partPath.clear();
    return true;
}

void CZipWriter::Abandon() {
    m_file.Reset();
    if (!m_partPath.empty())
        ::DeleteFileW(m_partPath.c_str());
    m_partPath.clear();
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
