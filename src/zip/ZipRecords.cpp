#include "zip/ZipRecords.h"

#include <windows.h>

#include <algorithm>

namespace {
constexpr std::uint32_t kLocalHeader = 0x04034b50;
constexpr std::uint32_t kCentralHeader = 0x02014b50;
constexpr std::uint32_t kZip64End = 0x06064b50;
constexpr std::uint32_t kZip64Locator = 0x07064b50;
constexpr std::uint32_t kEnd = 0x06054b50;
// Host 0 (MS-DOS attributes in the external field), APPNOTE 6.3: the
// version that brought the UTF-8 name flag the names use.
constexpr std::uint16_t kMadeBy = 63;
// The NTFS extra field (0x000A) with its one attribute (tag 1): the three
// file times, 100-nanosecond exact. Readers take it from the central
// directory; a copy in each local header would cost over a percent of a
// typical archive of logs.
constexpr std::uint16_t kTimesSize = 36;

// The field has a place for each of the three times and no way to say one
// is unknown: a zero there comes back as 1 January 1601. An entry with a
// zero time goes without the field, and readers take its last-write time
// from the Unix timestamp and the DOS fields.
bool HasAllTimes(const ZipItem& item) {
    return item.lastWrite != 0 && item.lastAccess != 0 && item.creation != 0;
}

void Put16(std::string& out, std::uint64_t value) {
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>((value >> 8) & 0xFF));
}
void Put32(std::string& out, std::uint64_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, (value >> 16) & 0xFFFF);
}
void Put64(std::string& out, std::uint64_t value) {
    Put32(out, value & kZipMax32);
    Put32(out, value >> 32);
}

// Info-ZIP's extended timestamp, the last-write time in Unix seconds (none
// outside 1970 to 2038). Info-ZIP's unzip restores it to the second where it
// would take the DOS fields' even seconds, and it reads a UTF-8 name in a
// local header only when the header has some extra field.
std::string UnixTime(const ZipItem& item) {
    const std::uint64_t unixEpoch = 116444736000000000;
    std::string field(1, '\0');
    if (item.lastWrite >= unixEpoch && (item.lastWrite - unixEpoch) / 10'000'000 <= 0x7FFFFFFF) {
        field[0] = 1;
        Put32(field, (item.lastWrite - unixEpoch) / 10'000'000);
    }
    return field;
}

void PutTimes(std::string& header, const ZipItem& item) {
    Put16(header, 0x000A);
    Put16(header, kTimesSize - 4);
    Put32(header, 0);
    Put16(header, 1);
    Put16(header, 24);
    Put64(header, item.lastWrite);
    Put64(header, item.lastAccess);
    Put64(header, item.creation);
}
} // namespace

std::string ZipLocalHeader(const ZipItem& item) {
    std::string header;
    Put32(header, kLocalHeader);
    Put16(header, item.zip64Local ? 45 : 20);
    Put16(header, item.flags);
    Put16(header, item.method);
    Put16(header, item.dosTime);
    Put16(header, item.dosDate);
    Put32(header, item.crc);
    Put32(header, item.zip64Local ? kZipMax32 : item.sizeOut);
    Put32(header, item.zip64Local ? kZipMax32 : item.sizeIn);
    const std::string unixTime = UnixTime(item);
    Put16(header, item.name.size());
    Put16(header, (item.zip64Local ? 20 : 0) + 4 + unixTime.size());
    header += item.name;
    if (item.zip64Local) {
        Put16(header, 0x0001);
        Put16(header, 16);
        Put64(header, item.sizeIn);
        Put64(header, item.sizeOut);
    }
    Put16(header, 0x5455);
    Put16(header, unixTime.size());
    header += unixTime;
    return header;
}

std::string ZipCentralHeader(const ZipItem& item) {
    // Only the fields too large for their 32-bit places, in this order.
    std::string zip64;
    if (item.sizeIn >= kZipMax32)
        Put64(zip64, item.sizeIn);
    if (item.sizeOut >= kZipMax32)
        Put64(zip64, item.sizeOut);
    if (item.offset >= kZipMax32)
        Put64(zip64, item.offset);
    std::string header;
    Put32(header, kCentralHeader);
    Put16(header, kMadeBy);
    Put16(header, zip64.empty() && !item.zip64Local ? 20 : 45);
    Put16(header, item.flags);
    Put16(header, item.method);
    Put16(header, item.dosTime);
    Put16(header, item.dosDate);
    Put32(header, item.crc);
    Put32(header, std::min(item.sizeOut, kZipMax32));
    Put32(header, std::min(item.sizeIn, kZipMax32));
    Put16(header, item.name.size());
    Put16(header, (HasAllTimes(item) ? kTimesSize : 0) + (zip64.empty() ? 0 : 4 + zip64.size()));
    Put16(header, 0); // comment
    Put16(header, 0); // disk
    Put16(header, 0); // internal attributes
    Put32(header, item.attributes &
                      (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                       FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_ARCHIVE));
    Put32(header, std::min(item.offset, kZipMax32));
    header += item.name;
    if (!zip64.empty()) {
        Put16(header, 0x0001);
        Put16(header, zip64.size());
        header += zip64;
    }
    if (HasAllTimes(item))
        PutTimes(header, item);
    return header;
}

std::string ZipEndRecords(std::uint64_t entries, std::uint64_t directorySize,
                          std::uint64_t directoryOffset) {
    std::string end;
    if (entries >= kZipMax16 || directorySize >= kZipMax32 || directoryOffset >= kZipMax32) {
        const std::uint64_t zip64EndOffset = directoryOffset + directorySize;
        Put32(end, kZip64End);
        Put64(end, 44); // the record's size after this field
        Put16(end, kMadeBy);
        Put16(end, 45);
        Put32(end, 0); // this disk
        Put32(end, 0); // the directory's disk
        Put64(end, entries);
        Put64(end, entries);
        Put64(end, directorySize);
        Put64(end, directoryOffset);
        Put32(end, kZip64Locator);
        Put32(end, 0);
        Put64(end, zip64EndOffset);
        Put32(end, 1); // disks
    }
    Put32(end, kEnd);
    Put16(end, 0);
    Put16(end, 0);
    Put16(end, std::min(entries, kZipMax16));
    Put16(end, std::min(entries, kZipMax16));
    Put32(end, std::min(directorySize, kZipMax32));
    Put32(end, std::min(directoryOffset, kZipMax32));
    Put16(end, 0); // comment
    return end;
}
