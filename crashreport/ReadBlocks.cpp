#include "crashreport/ReadBlocks.h"

#include "include/fs/FileCmds.h"

#include <vector>

bool ReadBlocks(int fd, size_t blockSize, const std::function<bool(const char*, size_t)>& take) {
    std::vector<char> block(blockSize);
    for (;;) {
        const long got = ReadFully(fd, block.data(), static_cast<long>(block.size()));
        if (got < 0)
            return false;
        if (got > 0 && !take(block.data(), static_cast<size_t>(got)))
            return false;
        if (static_cast<size_t>(got) < block.size())
            return true;
    }
}
