// Messages to the server. Every one is written whole or not at all.
#include "client/server/NodeConn.h"

#include "client/library/FileScanner.h"
#include "client/library/SharedFile.h"
#include "client/server/LoginDigests.h"
#include "client/server/MessageTypes.h"
#include "client/server/TransferStatusText.h"
#include "client/stream/FileTransfer.h"
#include "include/log/Logger.h"
#include "include/system/SystemInfo.h"
#include "include/text/AppStrings.h"
#include "include/text/Utf8.h"

#include <algorithm>

namespace {

constexpr int kStringPrefixBytes = 2;
constexpr int kDigestChars = 32;
constexpr uint8_t kCheckHashedPassword = 0;
constexpr uint8_t kCheckPasswordAsGiven = 1;

std::string VersionText() {
    return WideToUtf8(GetAppString(AS_VERSION));
}

int StringBytes(const std::string& text) {
    return kStringPrefixBytes + static_cast<int>(text.size());
}
int StringBytes(const std::wstring& text) {
    return kStringPrefixBytes + static_cast<int>(Utf8Length(text));
}

} // namespace

bool NodeConn::SendMessage(uint16_t type, Buf& body) {
    if (body.HasFailed()) {
        MVLOG(LOG_ERR, "Body of a type %i message did not fit its buffer; not sent", type);
        return false;
    }
    MesgHeader header;
    header.type = type;
    header.payloadLength = static_cast<uint32_t>(body.GetNumUsedBytes());
    if (!canHoldMesg(m_conn.outBuf, header) || !WriteHeader(m_conn.outBuf, header))
        return false;
    if (!m_conn.outBuf.WriteBytes(body.GetReadPtr(), body.GetNumUsedBytes())) {
        // canHoldMesg said it fits; a failure here is the buffer's own fault.
        MVLOG(LOG_CRIT, "Type %i message written in part", type);
        (void)m_conn.outBuf.HasFailed();
        return false;
    }
    return true;
}

bool NodeConn::SendEmpty(uint16_t type) {
    Buf body(1);
    return SendMessage(type, body);
}

void NodeConn::RequestSecurityString(int numFiles) {
    Buf body(16);
    body.WriteUInt32(m_serverValue);
    body.WriteUInt32(static_cast<uint32_t>(numFiles));
    if (SendMessage(MSG_SECURITY_STRING_REQUEST, body))
        MVLOG(LOG_VERB, "Sent request for secstr to server");
    else
        MVLOG(LOG_ERR, "Could not queue the request for the security string");
}

bool NodeConn::FitsEmptyOutBuf(int64_t frameBytes) const {
    // One byte of a Buf is never written.
    return frameBytes <= static_cast<int64_t>(m_conn.outBuf.GetSize()) - 1;
}

int NodeConn::HelloBodyBytes() const {
    // The salted digest is 32 hex digits whatever the salt.
    return 4 + 4 + StringBytes(m_username) + kStringPrefixBytes + kDigestChars + StringBytes(VersionText()) +
           StringBytes(m_localIp) + StringBytes(m_hostName) + 2 + 2 + 4 +
           StringBytes(m_systemInfo.osDescription) + StringBytes(m_oneTimePassword) +
           StringBytes(m_sessionSalt) + StringBytes(m_systemInfo.mp3Player) +
           StringBytes(m_systemInfo.m3uPlayer) + 4 + 8 + 1;
}

int NodeConn::AccountCheckBodyBytes() const {
    const int passwordBytes =
        m_connMode == NCM_ONETIME_LOGIN ? StringBytes(m_password) : kStringPrefixBytes + kDigestChars;
    return StringBytes(VersionText()) + 4 + StringBytes(m_username) + passwordBytes + 1;
}

bool NodeConn::SendHello(FileScanner& scanner) {
    ++m_sessionSerial;
    int sending = 0, receiving = 0;
    for (const std::unique_ptr<FileTransfer>& transfer : m_transfers) {
        if (transfer->IsFinished())
            continue;
        if (transfer->GetDirection() == RECV)
            ++receiving;
        else
            ++sending;
    }
    const std::string version = VersionText();
    Buf body(static_cast<int64_t>(HelloBodyBytes()) + 1);
    body.WriteUInt32(ComputeHelloCheck(m_username, m_localIp));
    body.WriteUInt32(m_sessionSerial);
    body.WriteString(m_username);
    body.WriteString(SaltedDigest(m_serverSalt, m_password));
    body.WriteString(version);
    body.WriteString(m_localIp);
    body.WriteString(m_hostName);
    body.WriteUInt16(static_cast<uint16_t>(sending));
    body.WriteUInt16(static_cast<uint16_t>(receiving));
    body.WriteUInt32(kProtocolVersion);
    body.WriteString(m_systemInfo.osDescription);
    body.WriteString(m_oneTimePassword);
    body.WriteString(m_sessionSalt);
    body.WriteWString(m_systemInfo.mp3Player);
    body.WriteWString(m_systemInfo.m3uPlayer);
    body.WriteUInt32(m_localHttpPort);
    body.WriteUInt64(scanner.GetChangeStamp());
    body.WriteBool(m_owner.IsSearchRunning());
    MVLOG(LOG_INFO, "sending server hello, username: %s, version: %s, host name: %s, sessionSalt: %s",
          m_username.c_str(), version.c_str(), m_hostName.c_str(), m_sessionSalt.c_str());
    MVLOG(LOG_INFO, "default players: mp3=>%ls, m3u=>%ls", m_systemInfo.mp3Player.c_str(),
          m_systemInfo.m3uPlayer.c_str());
    return SendMessage(MSG_HELLO, body);
}

bool NodeConn::SendAccountCheck() {
    const std::string version = VersionText();
    const bool oneTime = m_connMode == NCM_ONETIME_LOGIN;
    const std::string password = oneTime ? m_password : SaltedDigest(m_serverSalt, m_password);
    MVLOG(LOG_INFO, "Checking if account is valid, username: %s, version: %s, host name: %s",
          m_username.c_str(), version.c_str(), m_hostName.c_str());
    // The frame declares the body's true length.
    Buf body(static_cast<int64_t>(AccountCheckBodyBytes()) + 1);
    body.WriteString(version);
    body.WriteUInt32(kProtocolVersion);
    body.WriteString(m_username);
    body.WriteString(password);
    body.WriteByte(oneTime ? kCheckPasswordAsGiven : kCheckHashedPassword);
    return SendMessage(MSG_ACCOUNT_CHECK, body);
}

bool NodeConn::SendStatus() {
    uint32_t idleSeconds = kIdleUnknown;
    uint8_t acLineStatus = 255, batteryPercent = 255;
    GetUserIdleInfo(idleSeconds, acLineStatus, batteryPercent);
    const int running = GetNumTransfers();
    Buf body(30 * static_cast<int64_t>(running) + 16);
    body.WriteUInt32(idleSeconds);
    body.WriteByte(acLineStatus);
    body.WriteByte(batteryPercent);
    body.WriteUInt16(static_cast<uint16_t>(running));
    for (const std::unique_ptr<FileTransfer>& transfer : m_transfers) {
        if (transfer->IsFinished())
            continue;
        transfer->GetId().Write(body);
        body.WriteUInt32(transfer->GetRate());
        body.WriteUInt32(transfer->GetDataBytesDone());
    }
    return SendMessage(MSG_STATUS, body);
}

bool NodeConn::SendTransferStatus(const TransferId& id, int status) {
    Buf body(32);
    id.Write(body);
    body.WriteUInt32(static_cast<uint32_t>(status));
    if (!SendMessage(MSG_TRANSFER_STATUS, body))
        return false;
    MVLOG(LOG_INFO, "sending a status of %i (%s) to server for transfer %ls", status,
          TransferStatusText(status), id.ToText().c_str());
    return true;
}

bool NodeConn::SendFileDetails(FileScanner& scanner, uint32_t cfID, SharedFile* file) {
    const uint64_t stamp = scanner.GetChangeStamp();
    if (file && file->HasMetadata()) {
        m_newFileBody.Reset();
        if (file->PutNewFile(scanner, m_newFileBody) && m_newFileBody.WriteUInt64(stamp) &&
            !m_newFileBody.HasFailed())
            return SendMessage(MSG_FILE_DETAILS, m_newFileBody);
    }
    // Unknown file, no metadata, or a record too large for its body.
    MVLOG(LOG_ERR, "error getting file info for file %i", static_cast<int>(cfID));
    m_newFileBody.Reset();
    m_newFileBody.WriteByte(0);
    m_newFileBody.WriteUInt16(0);
    m_newFileBody.WriteUInt32(cfID);
    m_newFileBody.WriteUInt64(stamp);
    return SendMessage(MSG_FILE_DETAILS, m_newFileBody);
}

bool NodeConn::SendPlayCounts(PlayCountMap& counts) {
    const size_t n = std::min<size_t>(counts.size(), kMaxPlayCountsPerMessage);
    if (n == 0)
        return false;
    Buf body(static_cast<int64_t>(8 * n + 4) + 1);
    body.WriteUInt32(static_cast<uint32_t>(2 * n));
    auto it = counts.begin();
    for (size_t i = 0; i < n; ++i, ++it) {
        body.WriteUInt32(it->first);
        body.WriteUInt32(it->second);
    }
    if (!SendMessage(MSG_PLAYCOUNTS, body))
        return false;
    counts.erase(counts.begin(), it);
    return true;
}

bool NodeConn::SendPlaylist(std::list<ResolvedPlaylist>& playlists) {
    if (playlists.empty())
        return false;
    const ResolvedPlaylist& playlist = playlists.front();
    const int64_t bodyBytes = StringBytes(playlist.name) + StringBytes(playlist.persistentId) + 4 +
                              4 * static_cast<int64_t>(playlist.cfIds.size());
    const int64_t frameBytes = kMesgHeaderBytes + bodyBytes;
    // One that could not go out even through an empty buffer would hold up
    // every playlist behind it.
    if (!FitsEmptyOutBuf(frameBytes)) {
        MVLOG(LOG_INFO, "Playlist %ls is too large - not sending. Bytes needed:%d, outBuf size:%d",
              playlist.name.c_str(), static_cast<int>(frameBytes), m_conn.outBuf.GetSize());
        playlists.pop_front();
        return false;
    }
    Buf body(bodyBytes + 1);
    body.WriteWString(playlist.name);
    body.WriteWString(playlist.persistentId);
    body.WriteUInt32(static_cast<uint32_t>(playlist.cfIds.size()));
    for (uint32_t cfID : playlist.cfIds)
        body.WriteUInt32(cfID);
    if (!SendMessage(MSG_PLAYLIST, body))
        return false; // waits for room
    playlists.pop_front();
    return true;
}

bool NodeConn::SendSharesChanged() {
    return SendEmpty(MSG_SHARES_CHANGED);
}

void NodeConn::SendLocalPort(uint32_t port) {
    m_localHttpPort = port;
    if (m_state != NC_CONNECTED)
        return;
    MVLOG(LOG_INFO, "sending server localhost port %d", static_cast<int>(port));
    Buf body(8);
    body.WriteUInt32(port);
    (void)SendMessage(MSG_LOCAL_PORT, body);
}
