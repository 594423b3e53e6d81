// The records read back at the offsets PKWARE's APPNOTE gives (4.3.7 local
// header, 4.3.12 central header, 4.3.14 to 4.3.16 end records, 4.5.3 Zip64
// field, 4.5.5 NTFS field), for sizes, offsets and counts no test could
// afford to write.
#include "zip/ZipRecords.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace {
using Values = std::vector<std::uint64_t>;
constexpr std::uint64_t kGiB = 1ull << 30;

// The little-endian number of `size` bytes at `at`; at() fails past the end.
std::uint64_t Field(const std::string& record, size_t at, size_t size) {
    std::uint64_t value = 0;
    for (size_t byte = size; byte-- > 0;)
        value = value << 8 | static_cast<unsigned char>(record.at(at + byte));
    return value;
}

// The 8-byte values of the extra field `id` among a header's extra fields.
std::optional<Values> Extra(const std::string& header, size_t extraAt, std::uint16_t id) {
    for (size_t at = extraAt; at < header.size(); at += 4 + Field(header, at + 2, 2)) {
        if (Field(header, at, 2) != id)
            continue;
        Values values;
        for (size_t value = 0; value < Field(header, at + 2, 2) / 8; ++value)
            values.push_back(Field(header, at + 4 + 8 * value, 8));
        return values;
    }
    return std::nullopt;
}

ZipItem Item(std::uint64_t sizeIn, std::uint64_t sizeOut, std::uint64_t offset, bool zip64Local) {
    ZipItem item;
    item.name = "top/a.log";
    item.sizeIn = sizeIn;
    item.sizeOut = sizeOut;
    item.offset = offset;
    item.zip64Local = zip64Local;
    return item;
}
} // namespace

TEST(ZipRecords, TheLocalHeaderHoldsTheTrueSizesInZip64WhenItsHintAskedForThem) {
    const struct {
        ZipItem item;
        std::uint64_t version, sizeOut, sizeIn;
        std::optional<Values> zip64; // uncompressed, then compressed size
    } rows[] = {
        {Item(100, 40, 0, false), 20, 40, 100, std::nullopt},
        {Item(5 * kGiB, 5 * kGiB + 9, 0, true), 45, kZipMax32, kZipMax32,
         Values{5 * kGiB, 5 * kGiB + 9}},
        // A file hinted large that came out small keeps its header's length.
        {Item(7, 9, 0, true), 45, kZipMax32, kZipMax32, Values{7, 9}},
    };
    for (const auto& row : rows) {
        const std::string header = ZipLocalHeader(row.item);
        SCOPED_TRACE(row.item.sizeIn);
        EXPECT_EQ(0x04034b50u, Field(header, 0, 4));
        EXPECT_EQ(row.version, Field(header, 4, 2));
        EXPECT_EQ(row.sizeOut, Field(header, 18, 4));
        EXPECT_EQ(row.sizeIn, Field(header, 22, 4));
        EXPECT_EQ(row.item.name, header.substr(30, Field(header, 26, 2)));
        EXPECT_EQ(header.size(), 30 + row.item.name.size() + Field(header, 28, 2));
        EXPECT_EQ(row.zip64, Extra(header, 30 + row.item.name.size(), 0x0001));
    }
}

TEST(ZipRecords, TheCentralHeaderMovesOnlyWhatOverflowsItsPlaceIntoZip64) {
    constexpr std::uint64_t kBelow = kZipMax32 - 1;
    const struct {
        ZipItem item;
        std::uint64_t version, sizeOut, sizeIn, offset;
        std::optional<Values> zip64; // in APPNOTE's order: sizes in, out, offset
    } rows[] = {
        {Item(kBelow, kBelow, kBelow, false), 20, kBelow, kBelow, kBelow, std::nullopt},
        {Item(kZipMax32, kBelow, 0, true), 45, kBelow, kZipMax32, 0, Values{kZipMax32}},
        {Item(5 * kGiB, 5 * kGiB + 9, 6 * kGiB, true), 45, kZipMax32, kZipMax32, kZipMax32,
         Values{5 * kGiB, 5 * kGiB + 9, 6 * kGiB}},
        {Item(10, 4, 4 * kGiB + 1, false), 45, 4, 10, kZipMax32, Values{4 * kGiB + 1}},
        {Item(7, 9, 0, true), 45, 9, 7, 0, std::nullopt},
    };
    for (const auto& row : rows) {
        ZipItem item = row.item;
        item.lastWrite = 133'000'000'000'000'001; // three different times, in their order
        item.lastAccess = 133'000'000'000'000'002;
        item.creation = 133'000'000'000'000'003;
        const std::string header = ZipCentralHeader(item);
        SCOPED_TRACE(item.sizeIn);
        EXPECT_EQ(0x02014b50u, Field(header, 0, 4));
        EXPECT_EQ(63u, Field(header, 4, 2)); // made by 6.3, the version of the UTF-8 flag
        EXPECT_EQ(row.version, Field(header, 6, 2));
        EXPECT_EQ(row.sizeOut, Field(header, 20, 4));
        EXPECT_EQ(row.sizeIn, Field(header, 24, 4));
        EXPECT_EQ(row.offset, Field(header, 42, 4));
        EXPECT_EQ(item.name, header.substr(46, Field(header, 28, 2)));
        const size_t extraAt = 46 + item.name.size();
        EXPECT_EQ(header.size(), extraAt + Field(header, 30, 2));
        EXPECT_EQ(row.zip64, Extra(header, extraAt, 0x0001));
        // Reserved, then tag 1 of 24 bytes: last write, last access, creation.
        EXPECT_EQ((Values{0x0018'0001'0000'0000, item.lastWrite, item.lastAccess, item.creation}),
                  Extra(header, extraAt, 0x000A).value_or(Values{}));
    }
    // A time of zero would come back as 1601: the field is left out instead.
    ZipItem unknown = Item(1, 1, 0, false);
    unknown.lastWrite = unknown.lastAccess = 133'000'000'000'000'001;
    EXPECT_EQ(std::nullopt, Extra(ZipCentralHeader(unknown), 46 + unknown.name.size(), 0x000A));
}

TEST(ZipRecords, EndRecordsTurnZip64FromTheFirstCountSizeOrOffsetTheClassicOneCannotHold) {
    const struct {
        std::uint64_t entries, size, offset;
        bool zip64;
    } rows[] = {
        {65'534, 3 * 65'534 * 50, 1000, false},
        {65'535, 65'535 * 50, 1000, true},
        {65'536, 65'536 * 50, 1000, true},
        {70'000, 70'000 * 50, 5 * kGiB, true},
        {10, 500, kZipMax32 - 1, false},
        {10, 500, kZipMax32, true},
        {1, kZipMax32, 1000, true},
    };
    for (const auto& row : rows) {
        const std::string end = ZipEndRecords(row.entries, row.size, row.offset);
        SCOPED_TRACE(std::to_string(row.entries) + " at " + std::to_string(row.offset));
        ASSERT_EQ(row.zip64 ? 56u + 20 + 22 : 22u, end.size());
        const size_t classic = end.size() - 22;
        EXPECT_EQ(0x06054b50u, Field(end, classic, 4));
        EXPECT_EQ(std::min(row.entries, kZipMax16), Field(end, classic + 8, 2));
        EXPECT_EQ(std::min(row.entries, kZipMax16), Field(end, classic + 10, 2));
        EXPECT_EQ(std::min(row.size, kZipMax32), Field(end, classic + 12, 4));
        EXPECT_EQ(std::min(row.offset, kZipMax32), Field(end, classic + 16, 4));
        if (!row.zip64)
            continue;
        const Values zip64End{Field(end, 0, 4),  Field(end, 4, 8),  Field(end, 14, 2),
                              Field(end, 24, 8), Field(end, 32, 8), Field(end, 40, 8),
                              Field(end, 48, 8)};
        EXPECT_EQ((Values{0x06064b50, 44, 45, row.entries, row.entries, row.size, row.offset}),
                  zip64End);
        // The locator: the Zip64 end record's offset, right after the directory.
        EXPECT_EQ(
            (Values{0x07064b50, 0, row.offset + row.size, 1}),
            (Values{Field(end, 56, 4), Field(end, 60, 4), Field(end, 64, 8), Field(end, 72, 4)}));
    }
}
