// Work done, counted from outside the code under test: the bytes this process
// has read so far (read, pread and their kind; /proc/self/io). It counts every
// read of the process, sockets, the database and other threads included, so
// it bounds only work far larger than all of those, where the code keeps no
// count of its own.
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
