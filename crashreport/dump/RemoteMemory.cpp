#include "crashreport/dump/RemoteMemory.h"

#include <sys/uio.h>

#include <algorithm>
#include <cstring>

namespace {

ssize_t ReadOnce(pid_t pid, uint64_t address, void* out, size_t size) noexcept {
    iovec local{out, size};
    iovec remote{reinterpret_cast<void*>(address), size};
    return process_vm_readv(pid, &local, 1, &remote, 1, 0);
}

} // namespace

bool ReadRemote(pid_t pid, uint64_t address, void* out, size_t size) noexcept {
    return ReadOnce(pid, address, out, size) == static_cast<ssize_t>(size);
}

size_t ReadRemoteOrZero(pid_t pid, uint64_t address, void* out, size_t size, size_t pageSize) noexcept {
    if (ReadRemote(pid, address, out, size))
        return size;
    // Page by page, so one unreadable page costs only itself.
    auto* bytes = static_cast<unsigned char*>(out);
    size_t got = 0;
    size_t done = 0;
    while (done < size) {
        const uint64_t here = address + done;
        const size_t chunk = std::min<size_t>(size - done, pageSize - here % pageSize);
        if (ReadRemote(pid, here, bytes + done, chunk))
            got += chunk;
        else
            std::memset(bytes + done, 0, chunk);
        done += chunk;
    }
    return got;
}
