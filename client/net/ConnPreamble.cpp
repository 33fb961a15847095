#include "client/net/ConnPreamble.h"

#include "client/net/TcpConn.h"
#include "include/io/Buf.h"
#include "include/log/Logger.h"
#include "include/text/Utf8.h"

#include <cstring>

namespace {

constexpr char kHttpGet[] = "GET ";
// Where the version and the id's length prefix stand in a preamble.
constexpr int kPreambleVersionOffset = 4;
constexpr int kPreambleIdOffset = 8;

} // namespace

SniffResult SniffHttp(Buf& in, std::wstring& connID) {
    const int unread = in.GetNumUsedBytes();
    if (unread < kSniffMinBytes)
        return SNIFF_NOT_YET;
    if (std::memcmp(in.GetReadPtr(), kHttpGet, sizeof kHttpGet - 1) == 0) {
        connID = kHttpConnId;
        return SNIFF_IDENTIFIED;
    }
    // Checked as soon as each field is there, so a stranger is turned away
    // without waiting for bytes it may never send.
    const uint32_t size = in.PeekNum(4, 0);
    if (size <= kPreambleFixedBytes || size > kPreambleFixedBytes + kMaxConnIdBytes) {
        MVLOG(LOG_ERR, "Bad connection preamble size %u", size);
        return SNIFF_BAD;
    }
    const uint32_t version = in.PeekNum(4, kPreambleVersionOffset);
    if (version != kPreambleVersion) {
        MVLOG(LOG_ERR, "Bad connection preamble version %u", version);
        return SNIFF_BAD;
    }
    if (unread >= static_cast<int>(kPreambleFixedBytes)) {
        // The id must end exactly where the preamble does: neither leave
        // preamble bytes behind nor take the first bytes of the stream.
        const uint32_t idBytes = in.PeekNum(2, kPreambleIdOffset);
        if (idBytes != size - kPreambleFixedBytes) {
            MVLOG(LOG_ERR, "Connection id of %u bytes in a preamble of %u bytes", idBytes, size);
            return SNIFF_BAD;
        }
    }
    if (unread < static_cast<int>(size)) {
        MVLOG(LOG_INFO, "Not enough bytes yet to parse conn.  %i < %i", unread, static_cast<int>(size));
        return SNIFF_NOT_YET;
    }
    // A NUL would end the id early and could make it name another listener
    // or none at all.
    if (std::memchr(in.GetReadPtr() + kPreambleFixedBytes, 0, size - kPreambleFixedBytes) != nullptr) {
        MVLOG(LOG_ERR, "Connection id with a NUL byte in a preamble of %u bytes", size);
        return SNIFF_BAD;
    }
    in.Consume(kPreambleIdOffset);
    connID = in.ReadWString(kMaxConnIdBytes);
    if (in.HasFailed()) {
        MVLOG(LOG_ERR, "Malformed connection preamble of %u bytes", size);
        return SNIFF_BAD;
    }
    return SNIFF_IDENTIFIED;
}

bool WriteConnPreamble(Buf& out, const std::wstring& connID) {
    const std::string utf8 = WideToUtf8(connID);
    if (utf8.empty() || utf8.size() > static_cast<size_t>(kMaxConnIdBytes))
        return false;
    const uint32_t size = kPreambleFixedBytes + static_cast<uint32_t>(utf8.size());
    if (out.GetNumFreeBytes() < static_cast<int>(size))
        return false;
    out.WriteUInt32(size);
    out.WriteUInt32(kPreambleVersion);
    out.WriteString(utf8);
    return !out.HasFailed();
}
