// MD5 (RFC 1321) and the hex forms of digests.
#pragma once

#include <cstdint>
#include <string>

constexpr int kMd5DigestBytes = 16;

struct Md5Context {
    uint32_t bitCount[2]; // message length in bits: low word, high word
    uint32_t state[4];    // A, B, C, D
    unsigned char block[64];
};

void Md5Init(Md5Context* ctx);
// Nothing happens for a length of 0 or less.
void Md5Update(Md5Context* ctx, const void* data, int length);
void Md5Final(Md5Context* ctx, unsigned char digest[kMd5DigestBytes]);

// Each byte as two lower-case hex digits.
std::string GetDigestStrA(const unsigned char* bytes, int len);
std::wstring GetDigestStrW(const unsigned char* bytes, int len);
// Parses exactly 2 x len lower-case hex digits; false on anything else.
[[nodiscard]] bool DigestStrToBytes(const std::string& hex, unsigned char* bytes, int len);
// The first 8 bytes of a 32-digit digest, big-endian; false on malformed input.
[[nodiscard]] bool DigestStrToUInt64(const std::string& hex, uint64_t& value);

// Exactly 2 x kMd5DigestBytes hex digits of either case.
[[nodiscard]] bool IsMd5Hex(const std::wstring& text);

std::string Md5HexOfBuffer(const void* data, int length);
// False (out untouched) when the file cannot be opened or read.
[[nodiscard]] bool Md5HexOfFile(const std::wstring& path, std::wstring& hex);
// 8 lower-case hex digits from a fresh random id.
[[nodiscard]] bool MakeRandomHexId(std::string& id);
