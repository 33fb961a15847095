// The byte buffer under every wire format: a linear array with a read and a
// write position, big-endian numbers and strings with a 16-bit length prefix.
//
// Reads and writes never overrun. One that does not fit sets a sticky failure
// flag: while it is set every later read and write fails too, and only the
// owner's HasFailed (or Reset/Reallocate) clears it, so a parser can check
// once per message. Sizes and counts are 64-bit so that a peer's count passed
// straight through is refused rather than truncated.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

struct Md5Context;

struct MallocFree {
    void operator()(char* p) const noexcept { std::free(p); }
};
// A zero-terminated string in malloc'd storage.
using MallocString = std::unique_ptr<char, MallocFree>;

struct BufStats {
    uint32_t bytesIn = 0; // bytes brought in from sockets and files
    uint32_t callsIn = 0; // calls that brought bytes in
    uint32_t bytesConsumed = 0;
    uint32_t consumeCalls = 0;
    uint32_t compactions = 0;
};

class Buf {
  public:
    // The most bytes one WriteToSocket sends.
    static constexpr int kMaxSendBytes = 16384;
    // A 16-bit length prefix holds strings shorter than this.
    static constexpr int64_t kStringLimit = 64 * 1024;

    Buf();
    explicit Buf(int64_t size);
    ~Buf();
    Buf(const Buf&) = delete;
    Buf& operator=(const Buf&) = delete;

    // Zero-filled storage of `size` bytes (none for 0); positions, flag and
    // counters zero. A size that cannot be had leaves no storage, logged.
    void Init(int64_t size);
    // Frees the storage and initialises again; contents are lost.
    void Reallocate(int64_t size);
    // Positions, counters, mark and failure flag to zero; storage kept.
    void Reset();

    int GetSize() const { return size; }
    int GetNumUsedBytes() const { return static_cast<int>(wPos - rPos); }
    // One byte of the storage is never written.
    int GetNumFreeBytes() const { return size - static_cast<int>(wPos) - 1; }
    bool HasData() const { return GetNumUsedBytes() > 0; }
    bool HasSpace() const { return GetNumFreeBytes() > 0; }
    uint8_t* GetReadPtr() { return pBuf + rPos; }
    const uint8_t* GetReadPtr() const { return pBuf + rPos; }
    uint8_t* GetWritePtr() { return pBuf + wPos; }
    const BufStats& GetStats() const { return m_stats; }

    void SetFailed() { m_failed = true; }
    // Reports and clears the failure flag.
    [[nodiscard]] bool HasFailed();
    // Fatal when the buffer's own invariants do not hold.
    void AssertValid() const;

    uint8_t ReadByte();
    bool ReadBool();
    uint16_t ReadUInt16();
    uint32_t ReadUInt32();
    uint64_t ReadUInt64();
    bool ReadBytes(void* dst, int64_t n);
    bool PeekBytes(void* dst, int64_t n);
    // The big-endian number of bytesInNum (at most 4) bytes that starts
    // `offset` bytes after the read position, not consumed.
    uint32_t PeekNum(int bytesInNum, int64_t offset);
    // Skips n unread bytes. Works while the flag is set: it only moves past
    // bytes that are there.
    bool Consume(int64_t n);

    // A u16-prefixed string into `dst`, which holds maxLen + 1 bytes. A longer
    // string is cut to maxLen bytes and the rest skipped; a failed read leaves
    // "" in dst and consumes nothing.
    bool ReadString(char* dst, int maxLen);
    // The same into new storage; none on failure.
    MallocString ReadStringMalloc(int maxLen);
    std::string ReadStdString(int maxLen);
    // The string's bytes are UTF-8.
    std::wstring ReadWString(int maxLen);

    bool WriteByte(uint8_t value);
    bool WriteBool(bool value);
    bool WriteUInt16(uint16_t value);
    bool WriteUInt32(uint32_t value);
    bool WriteUInt64(uint64_t value);
    bool WriteBytes(const void* src, int64_t n);
    // Takes n bytes the caller wrote at GetWritePtr. Like Consume it does not
    // test the flag: the bytes are already in the storage.
    bool CommitWrite(int64_t n);
    // Strings of kStringLimit bytes or more are refused whole (flag set).
    bool WriteWString(const std::wstring& text);
    bool WriteWCString(const wchar_t* text);
    bool WriteCString(const char* text);
    bool WriteString(const std::string& text);

    // Moves the unread bytes to the start of the storage.
    void Compact();
    // One receive into the free space: bytes, 0 for a closed peer (also when
    // there is no room), -1 for an error or nothing to read.
    int ReadFromSocket(int fd);
    // One send of up to kMaxSendBytes: bytes sent, 0 when it would block, -1
    // on error; 1 when there is nothing to send.
    int WriteToSocket(int fd);
    // One read of at most maxBytes, fed to md5 when given: bytes, 0 at end of
    // file, -1 on error (also when there is no room).
    int ReadFromFile(int fd, int64_t maxBytes, Md5Context* md5);
    // One write of at most maxBytes unread bytes, fed to md5 when given:
    // bytes written, 0 when there is nothing to write, -1 on error.
    int WriteToFile(int fd, int64_t maxBytes, Md5Context* md5);

  private:
    // True (and logged) while the failure flag is set; does not clear it.
    bool TestFailed() const;
    // The flag is clear and n bytes lie unread (else the flag is set).
    bool CanRead(int64_t n);
    // The flag is clear and n bytes fit (else the flag is set).
    bool CanWrite(int64_t n);
    bool FitsWrite(int64_t n) const;
    uint64_t PeekBigEndian(int bytes, int64_t offset) const;
    void PutBigEndian(uint64_t value, int bytes);
    // Peeks a string's length and checks the whole string is there.
    bool PeekStringLength(int& len);
    void ReadStringCommon(char* dst, int len, int maxLen);
    bool WriteStringBytes(const char* text, size_t length);
    void Free();

    uint8_t* pBuf = nullptr;
    uint32_t rPos = 0;
    uint32_t wPos = 0;
    int size = 0;
    int m_mark = 0; // compaction sets -1, Reset 0; kept for whoever marks
    bool m_failed = false;
    BufStats m_stats;
};
