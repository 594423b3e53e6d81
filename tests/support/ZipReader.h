// A reader of small archives for the writer's tests, independent of it.
#pragma once

#include <map>
#include <string>
#include <vector>

// Entry name (UTF-8) to content.
using ZipContents = std::map<std::string, std::string>;

// Each entry of a small archive (no Zip64) by its central directory, each
// checked against its local header, inflated and its CRC compared: a stray
// byte between entries or a wrong offset fails the calling test.
ZipContents Unpack(const std::string& zip);

std::vector<std::string> SortedNames(const ZipContents& contents);
