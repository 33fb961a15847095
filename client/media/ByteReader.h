// Random reads of a file's bytes, as the format walkers take them: from an
// open file, or in the tests and fuzz targets from memory; and the numbers
// they read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

// Reads `count` bytes at `position` into `out`; false when fewer are there.
using ByteReader = std::function<bool(uint64_t position, unsigned char* out, size_t count)>;

// A reader of an open file; it moves the file position.
ByteReader FileByteReader(int fd);

// `count` bytes (at most 8) as an unsigned number, most significant first.
uint64_t BigEndianNumber(const unsigned char* bytes, size_t count);
