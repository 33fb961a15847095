// What the report says about the crashed program's file.
#pragma once

#include <string>

// The version from the executable's version note as "a.b.c.d", or
// "(GFVI failed)" when the file has none or cannot be read.
std::string FileVersionString(const std::string& path);

// The file's size in decimal, ":", then its MD5: the first byte as two hex
// digits, each later byte without a leading zero (a byte below 0x10 gives
// one digit). "(OpenFailed)" when the file cannot be opened.
std::string FileSizeAndMd5(const std::string& path);
