// Reading another process's memory with process_vm_readv.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>

// Reads `size` bytes at `address` of `pid`; true only when all were read.
[[nodiscard]] bool ReadRemote(pid_t pid, uint64_t address, void* out, size_t size) noexcept;

// Reads `size` bytes at `address`; pages that cannot be read are left as
// zeros. Returns how many bytes were really read.
size_t ReadRemoteOrZero(pid_t pid, uint64_t address, void* out, size_t size, size_t pageSize) noexcept;
