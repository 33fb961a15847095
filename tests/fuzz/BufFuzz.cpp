// Feeds the byte buffer and its string readers a program of operations the
// input chooses (numbers of every width, bytes, strings with limits, TryRead*,
// PeekNum, Consume, Compact, Reset, Reallocate), and checks every result
// against a plain model of the buffer: the unread bytes, the write position
// and the sticky failure flag. Input: three bytes of buffer size, then
// operation codes, each followed by its operands.
#include "include/io/Buf.h"
#include "include/io/BufStrings.h"
#include "include/text/Utf8.h"
#include "tests/fuzz/support/FuzzInput.h"
#include "tests/fuzz/support/FuzzSupport.h"

#include <climits>
#include <cstring>
#include <vector>

using fuzzsupport::FuzzInput;

namespace {

// Room for the longest string a 16-bit length allows, and then some.
constexpr int64_t kMaxBufSize = 70000;
// A narrow string's length byte asking for a string at the 16-bit limit
// (from 8 bytes below it to 7 above).
constexpr uint8_t kLongString = 0xFF;
constexpr size_t kLongStringBytes = static_cast<size_t>(Buf::kStringLimit) - 8;
// Width operands: a bool, then numbers of 1, 2, 4 and 8 bytes.
constexpr int kWidths[] = {0, 1, 2, 4, 8};

enum BufOp : uint8_t {
    OP_WRITE_NUMBER,  // width, value (8 bytes)
    OP_WRITE_BYTES,   // count, bytes
    OP_COMMIT_WRITE,  // count, fill byte
    OP_WRITE_STRING,  // length byte, bytes
    OP_WRITE_WSTRING, // length byte, UTF-8 bytes
    OP_READ_NUMBER,   // width
    OP_READ_BYTES,    // count
    OP_PEEK_BYTES,    // count
    OP_PEEK_NUM,      // width, offset
    OP_CONSUME,       // count
    OP_READ_STRING,   // reader, u16 limit (signed)
    OP_TRY_READ,      // reader
    OP_COMPACT,
    OP_HAS_FAILED,
    OP_RESET,
    OP_REALLOCATE, // size
    OP_COUNT,
};

enum StringReader : uint8_t { READ_C_STRING, READ_STD_STRING, READ_WSTRING, READER_COUNT };

// What the buffer should hold.
struct Model {
    int64_t size = 0;
    int64_t writePos = 0;
    std::string unread;
    bool failed = false;

    bool CanRead(int64_t n) {
        if (!failed && (n < 0 || n > static_cast<int64_t>(unread.size())))
            failed = true;
        return !failed;
    }
    bool CanWrite(int64_t n) {
        if (!failed && (n < 0 || writePos + n >= size))
            failed = true;
        return !failed;
    }
    void Append(const std::string& bytes) {
        unread += bytes;
        writePos += static_cast<int64_t>(bytes.size());
    }
    std::string Take(size_t n) {
        std::string taken = unread.substr(0, n);
        unread.erase(0, n);
        return taken;
    }
    uint64_t PeekBigEndian(size_t offset, int bytes) const {
        uint64_t value = 0;
        for (int i = 0; i < bytes; ++i)
            value = (value << 8) | static_cast<uint8_t>(unread[offset + static_cast<size_t>(i)]);
        return value;
    }
    // The length of a u16-prefixed string that is all there, else -1.
    int64_t WholeStringLength() const {
        if (unread.size() < 2)
            return -1;
        const auto length = static_cast<int64_t>(PeekBigEndian(0, 2));
        return length + 2 <= static_cast<int64_t>(unread.size()) ? length : -1;
    }
    void Reset(int64_t newSize) {
        size = newSize;
        writePos = 0;
        unread.clear();
        failed = false;
    }
};

std::string BigEndian(uint64_t value, int bytes) {
    std::string out(static_cast<size_t>(bytes), '\0');
    for (int i = bytes - 1; i >= 0; --i, value >>= 8)
        out[static_cast<size_t>(i)] = static_cast<char>(value & 0xFF);
    return out;
}

// A count that is now and then out of range.
int64_t Count(FuzzInput& input) {
    const uint8_t kind = input.Byte();
    if (kind == 0xFF)
        return -1 - input.Byte();
    return (kind & 0x80) ? input.U16() : kind;
}

// Sizes and offsets that are now and then negative or past INT_MAX.
int64_t Extent(FuzzInput& input) {
    const uint8_t kind = input.Byte();
    return kind == 0xFF ? -1 : (kind == 0xFE ? int64_t{INT_MAX} + 1 : Count(input));
}

// The C-string readers stop at a NUL.
std::string UpToNul(const std::string& bytes) {
    return bytes.substr(0, bytes.find('\0'));
}

void WriteNumber(Buf& buf, Model& model, int width, uint64_t value) {
    bool written = false;
    switch (width) {
    case 0:
        value = value & 1;
        written = buf.WriteBool(value != 0);
        width = 1;
        break;
    case 1:
        written = buf.WriteByte(static_cast<uint8_t>(value));
        break;
    case 2:
        written = buf.WriteUInt16(static_cast<uint16_t>(value));
        break;
    case 4:
        written = buf.WriteUInt32(static_cast<uint32_t>(value));
        break;
    default:
        written = buf.WriteUInt64(value);
        break;
    }
    const bool fits = model.CanWrite(width);
    FUZZ_CHECK(written == fits);
    if (fits)
        model.Append(BigEndian(value, width));
}

void ReadNumber(Buf& buf, Model& model, int width) {
    uint64_t value = 0;
    switch (width) {
    case 0:
        value = buf.ReadBool() ? 1 : 0;
        break;
    case 1:
        value = buf.ReadByte();
        break;
    case 2:
        value = buf.ReadUInt16();
        break;
    case 4:
        value = buf.ReadUInt32();
        break;
    default:
        value = buf.ReadUInt64();
        break;
    }
    const int bytes = width == 0 ? 1 : width;
    if (!model.CanRead(bytes)) {
        FUZZ_CHECK(value == 0);
        return;
    }
    const uint64_t expected = model.PeekBigEndian(0, bytes);
    FUZZ_CHECK(value == (width == 0 ? (expected != 0 ? 1 : 0) : expected));
    model.Take(static_cast<size_t>(bytes));
}

// Length and bytes go in together or not at all; a string too long for its
// length field is refused whole.
void WriteString(Buf& buf, Model& model, const std::string& text, bool wide) {
    const bool written = wide ? buf.WriteWString(Utf8ToWide(text)) : buf.WriteString(text);
    const std::string bytes = wide ? WideToUtf8(Utf8ToWide(text)) : text;
    if (!model.failed && bytes.size() >= static_cast<size_t>(Buf::kStringLimit))
        model.failed = true;
    const bool fits = model.CanWrite(2 + static_cast<int64_t>(bytes.size()));
    FUZZ_CHECK(written == fits);
    if (fits)
        model.Append(BigEndian(bytes.size(), 2) + bytes);
}

// What a u16-prefixed read with a limit takes (before any cut at a NUL), or
// false when it must fail.
bool ExpectString(Model& model, int maxLen, std::string& expected) {
    if (maxLen < 0) {
        model.failed = true;
        return false;
    }
    if (!model.CanRead(2))
        return false;
    const int64_t length = model.WholeStringLength();
    if (length < 0) {
        model.failed = true;
        return false;
    }
    model.Take(2);
    expected = model.Take(static_cast<size_t>(length)).substr(0, static_cast<size_t>(maxLen));
    return true;
}

void ReadString(Buf& buf, Model& model, StringReader reader, int maxLen) {
    std::string expected;
    if (reader == READ_C_STRING) {
        std::vector<char> dst(static_cast<size_t>(maxLen < 0 ? 0 : maxLen) + 1, 'x');
        const bool read = buf.ReadString(dst.data(), maxLen);
        FUZZ_CHECK(read == ExpectString(model, maxLen, expected));
        if (read)
            FUZZ_CHECK(std::memcmp(dst.data(), expected.data(), expected.size()) == 0 &&
                       dst[expected.size()] == '\0');
        else if (maxLen >= 0)
            FUZZ_CHECK(dst[0] == '\0');
    } else if (reader == READ_STD_STRING) {
        const std::string read = buf.ReadStdString(maxLen);
        FUZZ_CHECK(read == (ExpectString(model, maxLen, expected) ? UpToNul(expected) : std::string()));
    } else {
        const std::wstring read = buf.ReadWString(maxLen);
        FUZZ_CHECK(read ==
                   (ExpectString(model, maxLen, expected) ? Utf8ToWide(UpToNul(expected)) : std::wstring()));
    }
}

// The whole string when it is all there and more than its length bytes lie
// unread; else "" with nothing consumed.
void TryRead(Buf& buf, Model& model, bool wide) {
    const std::wstring wideRead = wide ? TryReadWString(buf) : std::wstring();
    const std::string narrowRead = wide ? std::string() : TryReadString(buf);
    std::string expected;
    const int64_t length = model.WholeStringLength();
    if (!model.failed && model.unread.size() > 2 && length >= 0) {
        model.Take(2);
        expected = UpToNul(model.Take(static_cast<size_t>(length)));
    }
    FUZZ_CHECK(wide ? wideRead == Utf8ToWide(expected) : narrowRead == expected);
}

void CheckShape(const Buf& buf, const Model& model) {
    FUZZ_CHECK(buf.GetSize() == model.size);
    FUZZ_CHECK(buf.GetNumUsedBytes() == static_cast<int>(model.unread.size()));
    FUZZ_CHECK(buf.GetNumFreeBytes() == model.size - model.writePos - 1);
    if (!model.unread.empty())
        FUZZ_CHECK(std::memcmp(buf.GetReadPtr(), model.unread.data(), model.unread.size()) == 0);
}

void RunOne(Buf& buf, Model& model, FuzzInput& input) {
    const auto op = static_cast<BufOp>(input.Byte() % OP_COUNT);
    switch (op) {
    case OP_WRITE_NUMBER: {
        const int width = kWidths[input.Byte() % std::size(kWidths)];
        WriteNumber(buf, model, width, input.U64());
        break;
    }
    case OP_WRITE_BYTES: {
        const int64_t n = Count(input);
        const std::string bytes = input.Bytes(static_cast<size_t>(n < 0 ? 0 : n));
        const int64_t asked = n < 0 ? n : static_cast<int64_t>(bytes.size());
        const bool fits = model.CanWrite(asked);
        FUZZ_CHECK(buf.WriteBytes(bytes.data(), asked) == fits);
        if (fits)
            model.Append(bytes);
        break;
    }
    case OP_COMMIT_WRITE: {
        // Not held back by the flag: the bytes are already in the storage.
        const int64_t n = Count(input);
        const auto fill = static_cast<char>(input.Byte());
        const bool fits = n >= 0 && model.writePos + n < model.size;
        if (fits)
            std::memset(buf.GetWritePtr(), fill, static_cast<size_t>(n));
        FUZZ_CHECK(buf.CommitWrite(n) == fits);
        if (fits)
            model.Append(std::string(static_cast<size_t>(n), fill));
        else
            model.failed = true;
        break;
    }
    case OP_WRITE_STRING: {
        const uint8_t length = input.Byte();
        WriteString(buf, model,
                    length == kLongString ? std::string(kLongStringBytes + input.Byte() % 16, 'L')
                                          : input.Bytes(length),
                    false);
        break;
    }
    case OP_WRITE_WSTRING:
        WriteString(buf, model, input.ShortString(), true);
        break;
    case OP_READ_NUMBER:
        ReadNumber(buf, model, kWidths[input.Byte() % std::size(kWidths)]);
        break;
    case OP_READ_BYTES:
    case OP_PEEK_BYTES: {
        const int64_t n = Count(input);
        std::string dst(static_cast<size_t>(n < 0 ? 0 : n), '\0');
        const bool read = op == OP_READ_BYTES ? buf.ReadBytes(dst.data(), n) : buf.PeekBytes(dst.data(), n);
        const bool readable = model.CanRead(n);
        FUZZ_CHECK(read == readable);
        if (readable) {
            FUZZ_CHECK(dst == model.unread.substr(0, dst.size()));
            if (op == OP_READ_BYTES)
                model.Take(dst.size());
        }
        break;
    }
    case OP_PEEK_NUM: {
        const int width = input.Byte() % 5;
        const int64_t offset = Extent(input);
        const uint32_t value = buf.PeekNum(width, offset);
        if (offset < 0 || offset > INT_MAX) {
            FUZZ_CHECK(value == 0);
            model.failed = true;
        } else {
            const bool readable = model.CanRead(offset + width);
            FUZZ_CHECK(value == (readable ? model.PeekBigEndian(static_cast<size_t>(offset), width) : 0));
        }
        break;
    }
    case OP_CONSUME: {
        // Works while the flag is set: it only moves past bytes that are there.
        const int64_t n = Count(input);
        const bool there = n >= 0 && n <= static_cast<int64_t>(model.unread.size());
        FUZZ_CHECK(buf.Consume(n) == there);
        if (there)
            model.Take(static_cast<size_t>(n));
        else
            model.failed = true;
        break;
    }
    case OP_READ_STRING: {
        const auto reader = static_cast<StringReader>(input.Byte() % READER_COUNT);
        ReadString(buf, model, reader, static_cast<int16_t>(input.U16()));
        break;
    }
    case OP_TRY_READ:
        TryRead(buf, model, input.Byte() & 1);
        break;
    case OP_COMPACT:
        buf.Compact();
        model.writePos = static_cast<int64_t>(model.unread.size());
        break;
    case OP_HAS_FAILED:
        FUZZ_CHECK(buf.HasFailed() == model.failed);
        model.failed = false;
        break;
    case OP_RESET:
        buf.Reset();
        model.Reset(model.size);
        break;
    case OP_REALLOCATE: {
        // A size that cannot be had leaves an empty buffer.
        const int64_t size = Extent(input);
        buf.Reallocate(size);
        model.Reset(size < 0 || size > INT_MAX ? 0 : size);
        break;
    }
    case OP_COUNT:
        break;
    }
    CheckShape(buf, model);
}

// A seed program: the buffer size, then operations and their operands.
struct Program {
    std::string bytes;
    explicit Program(uint32_t size) : bytes(BigEndian(size, 3)) {}
    Program& Op(BufOp op, const std::string& operands = std::string()) {
        bytes += static_cast<char>(op) + operands;
        return *this;
    }
};

std::string Operands(std::initializer_list<uint8_t> values) {
    return std::string(values.begin(), values.end());
}

} // namespace

std::vector<std::string> fuzzsupport::Seeds() {
    const std::string hello = Operands({5}) + "hello";
    const std::string cafe = Operands({7}) + "caf\xC3\xA9\xFF!";
    return {
        Program(64)
            .Op(OP_WRITE_STRING, hello)
            .Op(OP_WRITE_NUMBER, Operands({3}) + BigEndian(0xDEADBEEF, 8))
            .Op(OP_READ_STRING, Operands({READ_C_STRING, 0, 3}))
            .Op(OP_READ_NUMBER, Operands({3}))
            .Op(OP_COMPACT)
            .Op(OP_TRY_READ, Operands({0}))
            .Op(OP_HAS_FAILED)
            .bytes,
        Program(16)
            .Op(OP_WRITE_NUMBER, Operands({4}) + BigEndian(0x0102030405060708ULL, 8))
            .Op(OP_PEEK_NUM, Operands({4, 2}))
            .Op(OP_CONSUME, Operands({3}))
            .Op(OP_READ_NUMBER, Operands({2}))
            .Op(OP_READ_NUMBER, Operands({4}))
            .Op(OP_HAS_FAILED)
            .Op(OP_READ_NUMBER, Operands({0}))
            .bytes,
        Program(kMaxBufSize)
            .Op(OP_WRITE_STRING, Operands({kLongString, 7}))
            .Op(OP_HAS_FAILED)
            .Op(OP_WRITE_STRING, Operands({kLongString, 9}))
            .Op(OP_READ_STRING, Operands({READ_STD_STRING, 0, 100}))
            .bytes,
        Program(32)
            .Op(OP_WRITE_WSTRING, cafe)
            .Op(OP_TRY_READ, Operands({1}))
            .Op(OP_WRITE_NUMBER, Operands({2}) + BigEndian(9, 8))
            .Op(OP_WRITE_BYTES, Operands({1}) + "a")
            .Op(OP_TRY_READ, Operands({1}))
            .Op(OP_COMMIT_WRITE, Operands({8, 'x'}))
            .Op(OP_READ_STRING, Operands({READ_WSTRING, 0, 4}))
            .Op(OP_REALLOCATE, Operands({8}))
            .bytes,
    };
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    const int64_t bufSize = (static_cast<int64_t>(input.U16()) << 8 | input.Byte()) % (kMaxBufSize + 1);
    Buf buf(bufSize);
    Model model;
    model.Reset(bufSize);
    CheckShape(buf, model);
    while (!input.Empty())
        RunOne(buf, model, input);
    return 0;
}
