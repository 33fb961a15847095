#include "include/digest/Md5.h"

#include "include/fs/FileCmds.h"

#include <sys/random.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace {

constexpr int kFileReadBytes = 16384;
constexpr int kRandomIdBytes = 16;
constexpr int kRandomHexIdBytes = 4;

constexpr uint32_t kShifts[64] = {
    7,  12, 17, 22, 7,  12, 17, 22, 7,  12, 17, 22, 7,  12, 17, 22, 5,  9,  14, 20, 5,  9,
    14, 20, 5,  9,  14, 20, 5,  9,  14, 20, 4,  11, 16, 23, 4,  11, 16, 23, 4,  11, 16, 23,
    4,  11, 16, 23, 6,  10, 15, 21, 6,  10, 15, 21, 6,  10, 15, 21, 6,  10, 15, 21,
};

// floor(abs(sin(i + 1)) * 2^32), as tabulated in RFC 1321.
constexpr uint32_t kSines[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391,
};

uint32_t RotateLeft(uint32_t x, uint32_t n) {
    return (x << n) | (x >> (32 - n));
}

// Step I of the 64, with its round function, message word and constants
// fixed at compile time; the caller rotates the roles of the four words, so
// the whole transform unrolls into straight-line code on registers.
template <size_t I>
[[gnu::always_inline]] inline void Step(uint32_t& a, uint32_t b, uint32_t c, uint32_t d,
                                        const uint32_t x[16]) {
    uint32_t f;
    size_t g;
    if constexpr (I < 16) {
        f = d ^ (b & (c ^ d));
        g = I;
    } else if constexpr (I < 32) {
        f = c ^ (d & (b ^ c));
        g = (5 * I + 1) % 16;
    } else if constexpr (I < 48) {
        f = b ^ c ^ d;
        g = (3 * I + 5) % 16;
    } else {
        f = c ^ (b | ~d);
        g = (7 * I) % 16;
    }
    a = b + RotateLeft(a + f + kSines[I] + x[g], kShifts[I]);
}

template <size_t... Q>
[[gnu::always_inline]] inline void Steps(uint32_t& a, uint32_t& b, uint32_t& c, uint32_t& d,
                                         const uint32_t x[16], std::index_sequence<Q...>) {
    ((Step<4 * Q>(a, b, c, d, x), Step<4 * Q + 1>(d, a, b, c, x), Step<4 * Q + 2>(c, d, a, b, x),
      Step<4 * Q + 3>(b, c, d, a, x)),
     ...);
}

void Transform(uint32_t state[4], const unsigned char block[64]) {
    uint32_t x[16];
    for (int i = 0; i < 16; ++i) {
        x[i] = static_cast<uint32_t>(block[i * 4]) | (static_cast<uint32_t>(block[i * 4 + 1]) << 8) |
               (static_cast<uint32_t>(block[i * 4 + 2]) << 16) |
               (static_cast<uint32_t>(block[i * 4 + 3]) << 24);
    }
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    Steps(a, b, c, d, x, std::make_index_sequence<16>());
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

template <typename String> String DigestText(const unsigned char* bytes, int len) {
    static const char kHex[] = "0123456789abcdef";
    String text;
    text.reserve(static_cast<size_t>(len > 0 ? len * 2 : 0));
    for (int i = 0; i < len; ++i) {
        text += static_cast<typename String::value_type>(kHex[bytes[i] >> 4]);
        text += static_cast<typename String::value_type>(kHex[bytes[i] & 0xF]);
    }
    return text;
}

} // namespace

void Md5Init(Md5Context* ctx) {
    ctx->bitCount[0] = ctx->bitCount[1] = 0;
    ctx->state[0] = 0x67452301;
    ctx->state[1] = 0xefcdab89;
    ctx->state[2] = 0x98badcfe;
    ctx->state[3] = 0x10325476;
    std::memset(ctx->block, 0, sizeof ctx->block);
}

void Md5Update(Md5Context* ctx, const void* data, int length) {
    if (length <= 0)
        return;
    const auto* input = static_cast<const unsigned char*>(data);
    uint32_t used = (ctx->bitCount[0] >> 3) & 0x3F;
    uint32_t addedBits = static_cast<uint32_t>(length) << 3;
    ctx->bitCount[0] += addedBits;
    if (ctx->bitCount[0] < addedBits)
        ctx->bitCount[1]++;
    ctx->bitCount[1] += static_cast<uint32_t>(length) >> 29;

    size_t remaining = static_cast<size_t>(length);
    size_t room = 64 - used;
    if (remaining >= room) {
        std::memcpy(ctx->block + used, input, room);
        Transform(ctx->state, ctx->block);
        input += room;
        remaining -= room;
        while (remaining >= 64) {
            Transform(ctx->state, input);
            input += 64;
            remaining -= 64;
        }
        used = 0;
    }
    std::memcpy(ctx->block + used, input, remaining);
}

void Md5Final(Md5Context* ctx, unsigned char digest[kMd5DigestBytes]) {
    unsigned char lengthBytes[8];
    for (int i = 0; i < 8; ++i)
        lengthBytes[i] = static_cast<unsigned char>(ctx->bitCount[i / 4] >> ((i % 4) * 8));
    static const unsigned char kPadding[64] = {0x80};
    uint32_t used = (ctx->bitCount[0] >> 3) & 0x3F;
    int padLength = static_cast<int>(used < 56 ? 56 - used : 120 - used);
    Md5Update(ctx, kPadding, padLength);
    Md5Update(ctx, lengthBytes, 8);
    for (int i = 0; i < 16; ++i)
        digest[i] = static_cast<unsigned char>(ctx->state[i / 4] >> ((i % 4) * 8));
}

std::string GetDigestStrA(const unsigned char* bytes, int len) {
    return DigestText<std::string>(bytes, len);
}

std::wstring GetDigestStrW(const unsigned char* bytes, int len) {
    return DigestText<std::wstring>(bytes, len);
}

bool DigestStrToBytes(const std::string& hex, unsigned char* bytes, int len) {
    if (len < 0 || hex.size() != static_cast<size_t>(len) * 2)
        return false;
    for (int i = 0; i < len; ++i) {
        int high = HexValue(hex[static_cast<size_t>(i) * 2]);
        int low = HexValue(hex[static_cast<size_t>(i) * 2 + 1]);
        if (high < 0 || low < 0)
            return false;
    }
    for (int i = 0; i < len; ++i)
        bytes[i] = static_cast<unsigned char>(HexValue(hex[i * 2]) << 4 | HexValue(hex[i * 2 + 1]));
    return true;
}

bool DigestStrToUInt64(const std::string& hex, uint64_t& value) {
    unsigned char bytes[kMd5DigestBytes];
    if (!DigestStrToBytes(hex, bytes, kMd5DigestBytes))
        return false;
    value = 0;
    for (int i = 0; i < 8; ++i)
        value = (value << 8) | bytes[i];
    return true;
}

std::string Md5HexOfBuffer(const void* data, int length) {
    Md5Context ctx;
    Md5Init(&ctx);
    Md5Update(&ctx, data, length);
    unsigned char digest[kMd5DigestBytes];
    Md5Final(&ctx, digest);
    return GetDigestStrA(digest, kMd5DigestBytes);
}

bool IsMd5Hex(const std::wstring& text) {
    if (text.size() != 2 * kMd5DigestBytes)
        return false;
    for (wchar_t c : text) {
        if (!((c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F')))
            return false;
    }
    return true;
}

bool Md5HexOfFile(const std::wstring& path, std::wstring& hex) {
    int fd = openFileRead(path, 0);
    if (fd < 0)
        return false;
    Md5Context ctx;
    Md5Init(&ctx);
    unsigned char buffer[kFileReadBytes];
    bool ok = true;
    for (;;) {
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ok = false;
            break;
        }
        Md5Update(&ctx, buffer, static_cast<int>(n));
    }
    close(fd);
    if (!ok)
        return false;
    unsigned char digest[kMd5DigestBytes];
    Md5Final(&ctx, digest);
    hex = GetDigestStrW(digest, kMd5DigestBytes);
    return true;
}

bool MakeRandomHexId(std::string& id) {
    unsigned char random[kRandomIdBytes];
    size_t got = 0;
    while (got < sizeof random) {
        ssize_t n = getrandom(random + got, sizeof random - got, 0);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        got += static_cast<size_t>(n);
    }
    // Version 4 UUID bits, as the system's UUIDs carry them.
    random[6] = static_cast<unsigned char>((random[6] & 0x0F) | 0x40);
    random[8] = static_cast<unsigned char>((random[8] & 0x3F) | 0x80);
    Md5Context ctx;
    Md5Init(&ctx);
    Md5Update(&ctx, random, sizeof random);
    unsigned char digest[kMd5DigestBytes];
    Md5Final(&ctx, digest);
    id = GetDigestStrA(digest, kRandomHexIdBytes);
    return true;
}
