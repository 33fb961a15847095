// Reading a file from where its descriptor stands to its end, block by block.
#pragma once

#include <cstddef>
#include <functional>

// Hands each block read from `fd` to `take`, at most `blockSize` bytes at a
// time. False on a read error or when `take` returns false.
[[nodiscard]] bool ReadBlocks(int fd, size_t blockSize, const std::function<bool(const char*, size_t)>& take);
