#include "client/net/ConnPreamble.h"

#include "client/net/TcpConn.h"
#include "include/io/Buf.h"
#include "include/log/Logger.h"
#include "include/text/Utf8.h"

#include <cstring>

namespace {

constexpr char kHttpGet[] = "GET ";

} // namespace

SniffResult SniffHttp(Buf& in, std::wstring& connID) {
    const int unread = in.GetNumUsedBytes();
    if (unread < kSniffMinBytes)
        return SNIFF_NOT_YET;
    if (std::memcmp(in.GetReadPtr(), kHttpGet, sizeof kHttpGet - 1) == 0) {
        connID = kHttpConnId;
        return SNIFF_IDENTIFIED;
    }
    const uint32_t size = in.PeekNum(4, 0);
    if (size < kPreambleFixedBytes || size > kPreambleFixedBytes + kMaxConnIdBytes) {
        MVLOG(LOG_ERR, "Bad connection preamble size %u", size);
        return SNIFF_BAD;
    }
    if (unread < static_cast<int>(size)) {
        MVLOG(LOG_INFO, "Not enough bytes yet to parse conn.  %i < %i", unread, static_cast<int>(size));
        return SNIFF_NOT_YET;
    }
    in.ReadUInt32();
    in.ReadUInt32();
    std::wstring id = in.ReadWString(kMaxConnIdBytes);
    if (in.HasFailed()) {
        MVLOG(LOG_ERR, "Malformed connection preamble of %u bytes", size);
        return SNIFF_BAD;
    }
    connID = id;
    return SNIFF_IDENTIFIED;
}

bool WriteConnPreamble(Buf& out, const std::wstring& connID) {
    const std::string utf8 = WideToUtf8(connID);
    if (utf8.size() > static_cast<size_t>(kMaxConnIdBytes))
        return false;
    const uint32_t size = kPreambleFixedBytes + static_cast<uint32_t>(utf8.size());
    if (out.GetNumFreeBytes() < static_cast<int>(size))
        return false;
    out.WriteUInt32(size);
    out.WriteUInt32(kPreambleVersion);
    out.WriteString(utf8);
    return !out.HasFailed();
}
