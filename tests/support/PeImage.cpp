#include "support/PeImage.h"

#include "support/TestFiles.h"

WORD ImageMachine(const std::wstring& path) {
    const std::string image = ReadBytes(path);
    const auto byte = [&](size_t at) -> size_t { return static_cast<unsigned char>(image[at]); };
    if (image.size() < 0x40 || image.compare(0, 2, "MZ") != 0)
        return 0;
    const size_t header = byte(0x3c) | byte(0x3d) << 8 | byte(0x3e) << 16 | byte(0x3f) << 24;
    if (header + 6 > image.size() || image.compare(header, 4, std::string("PE\0\0", 4)) != 0)
        return 0;
    return static_cast<WORD>(byte(header + 4) | byte(header + 5) << 8);
}
