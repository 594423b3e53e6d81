#include "support/ZipReader.h"

#include <gtest/gtest.h>
#include <zlib.h>

namespace {
unsigned Read16(const std::string& bytes, size_t at) {
    // at() throws past the end, which fails the test instead of reading on.
    return static_cast<unsigned char>(bytes.at(at)) | static_cast<unsigned char>(bytes.at(at + 1))
                                                          << 8;
}
unsigned Read32(const std::string& bytes, size_t at) {
    return Read16(bytes, at) | Read16(bytes, at + 2) << 16;
}
} // namespace

ZipContents Unpack(const std::string& zip) {
    ZipContents entries;
    if (zip.size() < 22) {
        ADD_FAILURE() << "no end record in " << zip.size() << " bytes";
        return entries;
    }
    const size_t end = zip.size() - 22;
    EXPECT_EQ(0x06054b50u, Read32(zip, end));
    size_t at = Read32(zip, end + 16);
    EXPECT_EQ(end, at + Read32(zip, end + 12)); // the directory ends where its end record starts
    for (unsigned left = Read16(zip, end + 10); left > 0 && at < end; --left) {
        EXPECT_EQ(0x02014b50u, Read32(zip, at));
        const unsigned sizeOut = Read32(zip, at + 20), sizeIn = Read32(zip, at + 24);
        const std::string name = zip.substr(at + 46, Read16(zip, at + 28));
        const size_t local = Read32(zip, at + 42);
        EXPECT_EQ(0x04034b50u, Read32(zip, local)) << name;
        EXPECT_EQ(name, zip.substr(local + 30, Read16(zip, local + 26)));
        std::string content(sizeIn, '\0');
        z_stream inflater{};
        inflateInit2(&inflater, -MAX_WBITS);
        inflater.next_in = reinterpret_cast<Bytef*>(
            const_cast<char*>(zip.data() + local + 30 + name.size() + Read16(zip, local + 28)));
        inflater.avail_in = sizeOut;
        inflater.next_out = reinterpret_cast<Bytef*>(content.data());
        inflater.avail_out = sizeIn;
        if (Read16(zip, at + 10) == 8) {
            EXPECT_EQ(Z_STREAM_END, inflate(&inflater, Z_FINISH)) << name;
        }
        inflateEnd(&inflater);
        EXPECT_EQ(Read32(zip, at + 16),
                  crc32(0, reinterpret_cast<const Bytef*>(content.data()), sizeIn))
            << name;
        entries[name] = content;
        at += 46 + name.size() + Read16(zip, at + 30) + Read16(zip, at + 32);
    }
    return entries;
}

std::vector<std::string> SortedNames(const ZipContents& contents) {
    std::vector<std::string> names;
    for (const auto& entry : contents)
        names.push_back(entry.first);
    return names;
}
