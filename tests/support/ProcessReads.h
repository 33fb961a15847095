// Work done, counted from outside the code under test: the bytes this process
// has read from files so far (read, pread and their kind; /proc/self/io).
#pragma once

#include <cstdint>
#include <fstream>
#include <string>

namespace testsupport {

inline int64_t ProcessReadBytes() {
    std::ifstream io("/proc/self/io");
    std::string key;
    int64_t value = 0;
    while (io >> key >> value) {
        if (key == "rchar:")
            return value;
    }
    return -1;
}

} // namespace testsupport
