#include "include/io/Buf.h"

#include "include/crash/Assert.h"
#include "include/digest/Md5.h"
#include "include/log/Logger.h"
#include "include/net/Sockets.h"
#include "include/text/Utf8.h"

#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

// The buffer's invariants carry their own assertion texts.
#define BUF_ASSERT(condition, text)                                                                          \
    do {                                                                                                     \
        if (!(condition))                                                                                    \
            AssertFailed(L"" text, __FILE__, __LINE__);                                                      \
    } while (0)

namespace {

// One C run-time read or write; an interrupted call is repeated.
int ReadFileOnce(int fd, void* data, int length) {
    for (;;) {
        ssize_t n = read(fd, data, static_cast<size_t>(length));
        if (n >= 0 || errno != EINTR)
            return static_cast<int>(n);
    }
}

int WriteFileOnce(int fd, const void* data, int length) {
    for (;;) {
        ssize_t n = write(fd, data, static_cast<size_t>(length));
        if (n >= 0 || errno != EINTR)
            return static_cast<int>(n);
    }
}

int ClampCount(int64_t available, int64_t limit) {
    if (limit < 0)
        limit = 0;
    return static_cast<int>(limit < available ? limit : available);
}

} // namespace

Buf::Buf() {
    Init(0);
}

Buf::Buf(int64_t newSize) {
    Init(newSize);
}

Buf::~Buf() {
    Free();
}

void Buf::Free() {
    std::free(pBuf);
    pBuf = nullptr;
    size = 0;
}

void Buf::Init(int64_t newSize) {
    Free();
    if (newSize < 0 || newSize > INT_MAX) {
        MVLOG(LOG_ERR, "Buf %p: refused a size of %lld bytes", static_cast<void*>(this),
              static_cast<long long>(newSize));
        newSize = 0;
    }
    if (newSize > 0) {
        pBuf = static_cast<uint8_t*>(std::calloc(1, static_cast<size_t>(newSize)));
        if (!pBuf) {
            MVLOG(LOG_ERR, "Buf %p: could not allocate %lld bytes", static_cast<void*>(this),
                  static_cast<long long>(newSize));
            newSize = 0;
        }
    }
    size = static_cast<int>(newSize);
    Reset();
}

void Buf::Reallocate(int64_t newSize) {
    Init(newSize);
}

void Buf::Reset() {
    rPos = 0;
    wPos = 0;
    m_mark = 0;
    m_failed = false;
    m_stats = BufStats();
}

bool Buf::HasFailed() {
    bool failed = m_failed;
    if (failed)
        MVLOG(LOG_ERR, "Buf %p has failed since last check", static_cast<void*>(this));
    m_failed = false;
    return failed;
}

bool Buf::TestFailed() const {
    if (!m_failed)
        return false;
    MVLOG(LOG_ERR, "Buf %p has failed since last check", static_cast<const void*>(this));
    return true;
}

void Buf::AssertValid() const {
    BUF_ASSERT(pBuf != nullptr, "this->pBuf != NULL");
    BUF_ASSERT(size > 0, "this->size > 0");
    BUF_ASSERT(static_cast<int64_t>(rPos) < size, "this->rPos < this->size");
    BUF_ASSERT(static_cast<int64_t>(wPos) < size, "this->wPos < this->size");
    BUF_ASSERT(rPos <= wPos, "this->rPos <= this->wPos");
}

// ---- reads ----

bool Buf::CanRead(int64_t n) {
    if (TestFailed())
        return false;
    if (n < 0 || n > GetNumUsedBytes()) {
        m_failed = true;
        return false;
    }
    return true;
}

uint64_t Buf::PeekBigEndian(int bytes, int64_t offset) const {
    const uint8_t* p = pBuf + rPos + offset;
    uint64_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value = (value << 8) | p[i];
    return value;
}

uint8_t Buf::ReadByte() {
    if (!CanRead(1))
        return 0;
    return pBuf[rPos++];
}

bool Buf::ReadBool() {
    return ReadByte() != 0;
}

uint16_t Buf::ReadUInt16() {
    if (!CanRead(2))
        return 0;
    uint16_t value = static_cast<uint16_t>(PeekBigEndian(2, 0));
    rPos += 2;
    return value;
}

uint32_t Buf::ReadUInt32() {
    if (!CanRead(4))
        return 0;
    uint32_t value = static_cast<uint32_t>(PeekBigEndian(4, 0));
    rPos += 4;
    return value;
}

uint64_t Buf::ReadUInt64() {
    // The high 32-bit word comes first, which is plain big-endian order.
    if (!CanRead(8))
        return 0;
    uint64_t value = PeekBigEndian(8, 0);
    rPos += 8;
    return value;
}

bool Buf::ReadBytes(void* dst, int64_t n) {
    if (!CanRead(n))
        return false;
    if (n > 0)
        std::memcpy(dst, pBuf + rPos, static_cast<size_t>(n));
    rPos += static_cast<uint32_t>(n);
    return true;
}

bool Buf::PeekBytes(void* dst, int64_t n) {
    if (!CanRead(n))
        return false;
    if (n > 0)
        std::memcpy(dst, pBuf + rPos, static_cast<size_t>(n));
    return true;
}

uint32_t Buf::PeekNum(int bytesInNum, int64_t offset) {
    BUF_ASSERT(bytesInNum >= 0 && bytesInNum <= 4, "bytesInNum <= 4");
    if (bytesInNum < 0 || bytesInNum > 4 || offset < 0 || offset > INT_MAX) {
        m_failed = true;
        return 0;
    }
    if (!CanRead(offset + bytesInNum))
        return 0;
    return static_cast<uint32_t>(PeekBigEndian(bytesInNum, offset));
}

bool Buf::Consume(int64_t n) {
    if (n < 0 || n > GetNumUsedBytes()) {
        m_failed = true;
        return false;
    }
    rPos += static_cast<uint32_t>(n);
    m_stats.bytesConsumed += static_cast<uint32_t>(n);
    ++m_stats.consumeCalls;
    if (pBuf)
        AssertValid();
    return true;
}

// ---- strings ----

bool Buf::PeekStringLength(int& len) {
    len = static_cast<int>(PeekNum(2, 0));
    if (m_failed)
        return false;
    if (len + 2 > GetNumUsedBytes()) {
        m_failed = true;
        return false;
    }
    return true;
}

// The caller has checked that all `len` bytes are there; dst holds maxLen + 1.
void Buf::ReadStringCommon(char* dst, int len, int maxLen) {
    int n = len < maxLen ? len : maxLen;
    std::memcpy(dst, pBuf + rPos, static_cast<size_t>(n));
    dst[n] = '\0';
    rPos += static_cast<uint32_t>(n);
    if (len > maxLen) {
        MVLOG(LOG_ERR,
              "In ReadStringCommon, cur string length (%i) > maxLen (%i). Initial chunk of string: '%s'", len,
              maxLen, dst);
        // Skip the rest so the stream stays in step.
        (void)Consume(len - maxLen);
    }
}

bool Buf::ReadString(char* dst, int maxLen) {
    if (maxLen < 0) {
        MVLOG(LOG_ERR, "Buf %p: string read with maxLen %i", static_cast<void*>(this), maxLen);
        m_failed = true;
        return false;
    }
    dst[0] = '\0';
    int len = 0;
    if (!PeekStringLength(len))
        return false;
    rPos += 2;
    ReadStringCommon(dst, len, maxLen);
    return true;
}

MallocString Buf::ReadStringMalloc(int maxLen) {
    if (maxLen < 0) {
        MVLOG(LOG_ERR, "Buf %p: string read with maxLen %i", static_cast<void*>(this), maxLen);
        m_failed = true;
        return nullptr;
    }
    int len = 0;
    if (!PeekStringLength(len))
        return nullptr;
    int n = len < maxLen ? len : maxLen;
    MallocString str(static_cast<char*>(std::malloc(static_cast<size_t>(n) + 1)));
    if (!str) {
        MVLOG(LOG_ERR, "Buf %p: could not allocate a string of %i bytes", static_cast<void*>(this), n);
        m_failed = true;
        return nullptr;
    }
    rPos += 2;
    ReadStringCommon(str.get(), len, maxLen);
    return str;
}

std::string Buf::ReadStdString(int maxLen) {
    MallocString str = ReadStringMalloc(maxLen);
    return str ? std::string(str.get()) : std::string();
}

std::wstring Buf::ReadWString(int maxLen) {
    MallocString str = ReadStringMalloc(maxLen);
    return str ? Utf8ToWide(str.get()) : std::wstring();
}

// ---- writes ----

bool Buf::FitsWrite(int64_t n) const {
    return n >= 0 && static_cast<int64_t>(wPos) + n < size;
}

bool Buf::CanWrite(int64_t n) {
    if (TestFailed())
        return false;
    if (!FitsWrite(n)) {
        m_failed = true;
        return false;
    }
    return true;
}

void Buf::PutBigEndian(uint64_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) {
        pBuf[wPos + static_cast<uint32_t>(i)] = static_cast<uint8_t>(value & 0xFF);
        value >>= 8;
    }
    wPos += static_cast<uint32_t>(bytes);
}

bool Buf::WriteByte(uint8_t value) {
    if (!CanWrite(1))
        return false;
    PutBigEndian(value, 1);
    return true;
}

bool Buf::WriteBool(bool value) {
    return WriteByte(value ? 1 : 0);
}

bool Buf::WriteUInt16(uint16_t value) {
    if (!CanWrite(2))
        return false;
    PutBigEndian(value, 2);
    return true;
}

bool Buf::WriteUInt32(uint32_t value) {
    if (!CanWrite(4))
        return false;
    PutBigEndian(value, 4);
    return true;
}

bool Buf::WriteUInt64(uint64_t value) {
    if (!CanWrite(8))
        return false;
    PutBigEndian(value, 8);
    return true;
}

bool Buf::WriteBytes(const void* src, int64_t n) {
    if (!CanWrite(n))
        return false;
    if (n > 0)
        std::memcpy(pBuf + wPos, src, static_cast<size_t>(n));
    wPos += static_cast<uint32_t>(n);
    return true;
}

bool Buf::CommitWrite(int64_t n) {
    if (!FitsWrite(n)) {
        MVLOG(LOG_ERR, "Buf %p: commit of %lld bytes with %i free", static_cast<void*>(this),
              static_cast<long long>(n), GetNumFreeBytes());
        m_failed = true;
        return false;
    }
    wPos += static_cast<uint32_t>(n);
    return true;
}

bool Buf::WriteStringBytes(const char* text, size_t length) {
    if (TestFailed())
        return false;
    if (length >= static_cast<size_t>(kStringLimit)) {
        MVLOG(LOG_ERR, "Buf %p: string of %zu bytes is too long for its 16-bit length",
              static_cast<void*>(this), length);
        m_failed = true;
        return false;
    }
    // Length and bytes go in together or not at all.
    if (!CanWrite(2 + static_cast<int64_t>(length)))
        return false;
    PutBigEndian(length, 2);
    if (length > 0)
        std::memcpy(pBuf + wPos, text, length);
    wPos += static_cast<uint32_t>(length);
    return true;
}

bool Buf::WriteWString(const std::wstring& text) {
    std::string utf8 = WideToUtf8(text);
    return WriteStringBytes(utf8.data(), utf8.size());
}

bool Buf::WriteWCString(const wchar_t* text) {
    return WriteWString(text ? std::wstring(text) : std::wstring());
}

bool Buf::WriteCString(const char* text) {
    if (!text)
        text = "";
    return WriteStringBytes(text, std::strlen(text));
}

bool Buf::WriteString(const std::string& text) {
    return WriteStringBytes(text.data(), text.size());
}

// ---- transfers ----

void Buf::Compact() {
    if (rPos == 0)
        return;
    ++m_stats.compactions;
    std::memmove(pBuf, pBuf + rPos, wPos - rPos);
    wPos -= rPos;
    rPos = 0;
    m_mark = -1;
}

int Buf::ReadFromSocket(int fd) {
    Compact();
    // A peer can fill the buffer with a message larger than it, so no room is
    // reported, not asserted; 0 makes the caller close the connection.
    if (!HasSpace()) {
        MVLOG(LOG_CRIT, "ReadFromSocket called, but buffer has no room");
        return 0;
    }
    AssertValid();
    int n = recvSocket(fd, GetWritePtr(), GetNumFreeBytes(), 0);
    if (n > 0) {
        ++m_stats.callsIn;
        m_stats.bytesIn += static_cast<uint32_t>(n);
        wPos += static_cast<uint32_t>(n);
        BUF_ASSERT(static_cast<int64_t>(wPos) <= size - 1, "this->wPos <= ( this->size - 1 )");
    }
    return n;
}

int Buf::WriteToSocket(int fd) {
    if (!HasData())
        return 1;
    AssertValid();
    int n = GetNumUsedBytes() < kMaxSendBytes ? GetNumUsedBytes() : kMaxSendBytes;
    int sent = sendSocket(fd, GetReadPtr(), n, 0);
    if (sent <= 0)
        return sent;
    BUF_ASSERT(sent <= n, "numSent <= numToSend");
    (void)Consume(sent);
    Compact();
    return sent;
}

int Buf::ReadFromFile(int fd, int64_t maxBytes, Md5Context* md5) {
    Compact();
    if (!HasSpace()) {
        MVLOG(LOG_CRIT, "ReadFromFile called, but buffer has no room");
        errno = ENOBUFS;
        return -1;
    }
    AssertValid();
    int n = ReadFileOnce(fd, GetWritePtr(), ClampCount(GetNumFreeBytes(), maxBytes));
    ++m_stats.callsIn;
    if (n > 0) {
        if (md5)
            Md5Update(md5, GetWritePtr(), n);
        m_stats.bytesIn += static_cast<uint32_t>(n);
        wPos += static_cast<uint32_t>(n);
    }
    AssertValid();
    return n;
}

int Buf::WriteToFile(int fd, int64_t maxBytes, Md5Context* md5) {
    int n = ClampCount(GetNumUsedBytes(), maxBytes);
    if (n == 0)
        return 0;
    AssertValid();
    int written = WriteFileOnce(fd, GetReadPtr(), n);
    if (written < 0)
        return -1;
    if (md5)
        Md5Update(md5, GetReadPtr(), written);
    (void)Consume(written);
    Compact();
    return written;
}
