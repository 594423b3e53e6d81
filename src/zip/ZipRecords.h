// The records of a ZIP archive (PKWARE's APPNOTE) as bytes, made from plain
// values. Nothing here reads or writes a file: the records of a 5 GiB entry
// or of an archive of 70,000 entries are asked for without making either.
#pragma once

#include <cstdint>
#include <string>

// One entry as its headers describe it.
struct ZipItem {
    std::string name; // UTF-8, forward slashes; a folder's ends with "/"
    std::uint16_t flags = 0, method = 0, dosDate = 0, dosTime = 0;
    std::uint32_t crc = 0;
    std::uint64_t sizeIn = 0, sizeOut = 0; // the source's size, the stored data's
    std::uint64_t offset = 0;              // of the local header in the archive
    // The local header holds Zip64 sizes. Decided before the sizes are known,
    // so that the header keeps its length when it is written again.
    bool zip64Local = false;
    // File times in 100-nanosecond ticks since 1601 (UTC), and the MS-DOS
    // attributes (FILE_ATTRIBUTE_*).
    std::uint64_t lastWrite = 0, lastAccess = 0, creation = 0;
    std::uint32_t attributes = 0;
};

constexpr std::uint64_t kZipMax16 = 0xFFFF;
constexpr std::uint64_t kZipMax32 = 0xFFFFFFFF;

// The local file header, with the Zip64 sizes (0x0001) when zip64Local, and
// Info-ZIP's extended timestamp (0x5455).
std::string ZipLocalHeader(const ZipItem& item);

// The central directory header, with Zip64 fields (0x0001) for the sizes
// and offset too large for their places and the NTFS times (0x000A).
std::string ZipCentralHeader(const ZipItem& item);

// What follows the central directory: the end of central directory record,
// after the Zip64 end record and its locator where the entry count, the
// directory's size or its offset needs them.
std::string ZipEndRecords(std::uint64_t entries, std::uint64_t directorySize,
                          std::uint64_t directoryOffset);
