// The fingerprint child ("Melvane /fp"): reads one path from its standard
// input, computes that file's metadata and print in its own process, writes
// the seconds and the print text to its standard output and ends. Decoding a
// damaged file can hang or crash; only this process suffers then.
#pragma once

#include <cstdint>

class Buf;

// Buffer sizes of the child's request and reply.
constexpr int kPrintChildRequestBytes = 8192;
constexpr int kPrintChildReplyBytes = 10240;
// The watchdog ends a child still running after this long.
constexpr unsigned kPrintTimeoutSecs = 60;
// The child's address space, about three times a print's peak (some 350 MB,
// most of it libraries and the reserves of the allocator): a file that
// would need more fails its print instead of making the kernel choose a
// process to kill.
constexpr uint64_t kPrintChildAddressSpaceBytes = uint64_t{1} << 30;
// AddressSanitizer reserves terabytes of address space for its shadow
// memory, so a sanitized child runs without the limit.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kPrintChildLimitsAddressSpace = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kPrintChildLimitsAddressSpace = false;
#else
constexpr bool kPrintChildLimitsAddressSpace = true;
#endif
#else
constexpr bool kPrintChildLimitsAddressSpace = true;
#endif

// The child's whole life; ends the process with code 1 for an empty request.
void FingerprintChildMain();

// The reply to one request: u32 seconds, then the print text. False, with
// nothing written, when the request holds no path.
[[nodiscard]] bool HandleFingerprintRequest(Buf& request, Buf& reply);
