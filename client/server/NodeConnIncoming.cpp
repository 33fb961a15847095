// Frames from the server: each body is copied out of the input buffer and
// read from its own bounded buffer, checked whole, and only then acted on. A
// short or malformed body closes the connection.
#include "client/server/NodeConn.h"

#include "client/core/IKovikUI.h"
#include "client/core/ReportThread.h"
#include "client/library/FileScanner.h"
#include "client/library/SharedFile.h"
#include "client/server/MessageTypes.h"
#include "client/upgrade/UpgradeRequest.h"
#include "include/crash/CrashReport.h"
#include "include/log/Logger.h"
#include "include/text/Utf8.h"

#include <vector>

namespace {

constexpr uint32_t kReplyHeaderBytes = kMesgHeaderBytes;
constexpr uint32_t kTransferStatusBytes = 18 + 4;
constexpr uint32_t kTempFileDeletedBytes = 18 + 1;
constexpr uint32_t kStatusBytesPerTransfer = 18 + 4 + 4;
constexpr uint32_t kStatusFixedBytes = 4 + 1 + 1 + 2;

} // namespace

int NodeConn::ReplyRoomNeeded(uint16_t type, uint32_t bodyBytes) const {
    uint32_t reply = 0;
    switch (type) {
    case MSG_PING:
        reply = kReplyHeaderBytes;
        break;
    case MSG_ECHO:
        reply = kReplyHeaderBytes + bodyBytes;
        break;
    case MSG_STATUS_REQUEST:
        reply = kReplyHeaderBytes + kStatusFixedBytes +
                kStatusBytesPerTransfer * static_cast<uint32_t>(GetNumTransfers());
        break;
    case MSG_TRANSFER:
    case MSG_ABORT_TRANSFER:
        reply = kReplyHeaderBytes + kTransferStatusBytes;
        break;
    case MSG_DELETE_TEMP_FILE:
        reply = kReplyHeaderBytes + kTempFileDeletedBytes;
        break;
    case MSG_FILE_DETAILS_REQUEST:
        reply = kReplyHeaderBytes + static_cast<uint32_t>(m_newFileBody.GetSize());
        break;
    case MSG_SECURITY_STRING:
        reply = kReplyHeaderBytes +
                static_cast<uint32_t>(m_connMode == NCM_NORMAL ? HelloBodyBytes() : AccountCheckBodyBytes());
        break;
    default:
        break;
    }
    return static_cast<int>(reply);
}

void NodeConn::processServerBuffer(FileScanner& scanner) {
    Buf& in = m_conn.inBuf;
    bool badMessage = false;
    while (!m_owner.IsStopping()) {
        // A frame is taken only when its largest reply fits; otherwise it
        // waits for a pass in which the output has drained. A reply that
        // could never fit would hold the session up for good instead.
        if (in.GetNumUsedBytes() >= kMesgHeaderBytes && in.PeekNum(2, 0) == kMesgMagic) {
            const uint32_t length = in.PeekNum(2, 2);
            const uint16_t type = static_cast<uint16_t>(in.PeekNum(2, 4));
            const int room =
                length >= kMesgLengthOverhead ? ReplyRoomNeeded(type, length - kMesgLengthOverhead) : 0;
            if (!FitsEmptyOutBuf(room)) {
                MVLOG(LOG_ERR,
                      "The reply to a type %i message needs %i bytes, more than the output buffer holds; "
                      "closing the server connection",
                      type, room);
                CloseConn();
                return;
            }
            if (m_conn.outBuf.GetNumFreeBytes() < room)
                break;
        }
        if (!hasFullMesg(in, badMessage))
            break;
        const uint16_t length = in.ReadUInt16();
        const uint16_t type = in.ReadUInt16();
        const int bodyBytes = static_cast<int>(length) - static_cast<int>(kMesgLengthOverhead);
        m_body.Reset();
        (void)m_body.WriteBytes(in.GetReadPtr(), bodyBytes);
        (void)in.Consume(bodyBytes);
        if (in.HasFailed() || m_body.HasFailed()) {
            MVLOG(LOG_ERR, "Could not take a type %i message of %i bytes from the input", type, bodyBytes);
            CloseConn();
            return;
        }
        MVLOG(LOG_VERB, "server sent a type %i message, %i bytes left in buf", type, in.GetNumUsedBytes());
        HandlerResult result = Dispatch(type, scanner);
        if (result == HR_END_SESSION) {
            m_connMode = NCM_NOT_SET;
            CloseConn();
            return;
        }
        if (result == HR_CLOSE) {
            CloseConn();
            return;
        }
    }
    if (badMessage) {
        MVLOG(LOG_CRIT, "badMessage flag was set in processServerBuffer");
        SendReportInBackground(L"badMessage flag was set", REPORT_INFO);
        CloseConn();
    }
}

bool NodeConn::BodyIsGood(uint16_t type) {
    if (m_body.HasFailed()) {
        MVLOG(LOG_ERR, "Short or malformed body in a type %i message; closing the server connection", type);
        return false;
    }
    return true;
}

NodeConn::HandlerResult NodeConn::Dispatch(uint16_t type, FileScanner& scanner) {
    switch (type) {
    case MSG_REDIRECT:
        return HandleRedirect();
    case MSG_PING:
        (void)SendEmpty(MSG_PONG);
        return HR_OK;
    case MSG_FILE_LISTING_REQUEST:
        MVLOG(LOG_INFO, "Server requested file listing");
        scanner.QueueFullListing();
        m_listingRequested = true;
        return HR_OK;
    case MSG_TRANSFER:
        return HandleTransfer(scanner);
    case MSG_ABORT_TRANSFER:
        return HandleAbortTransfer();
    case MSG_ACCOUNT_STATUS:
        return HandleAccountStatus();
    case MSG_PLAY_FILE:
        return HandlePlayFile(scanner);
    case MSG_ECHO:
        return HandleEcho();
    case MSG_ACCOUNT_CHECK_RESULT:
        return HandleAccountCheckResult();
    case MSG_DELETE_TEMP_FILE:
        return HandleDeleteTempFile();
    case MSG_PLAY_LIST:
        return HandlePlayList(scanner);
    case MSG_SECURITY_STRING:
        return HandleSecurityString(scanner);
    case MSG_SERVER_TEXT:
        (void)m_body.ReadStdString(kMaxServerTextBytes);
        return BodyIsGood(type) ? HR_OK : HR_CLOSE;
    case MSG_UPGRADE:
        return HandleUpgrade();
    case MSG_SEND_LOG:
        return HandleSendLog();
    case MSG_IGNORED_60:
    case MSG_IGNORED_63:
        return HR_OK;
    case MSG_SONG_INFO:
        return HandleSongInfo(scanner);
    case MSG_FILE_DETAILS_REQUEST:
        return HandleFileDetailsRequest(scanner);
    case MSG_SAVE_PLAYLIST:
        return HandleSavePlaylist(scanner);
    case MSG_NEW_FILE_ACK:
        return HandleNewFileAck(scanner);
    case MSG_STATUS_REQUEST:
        (void)SendStatus();
        return HR_OK;
    case MSG_PLAYCOUNT_SETTINGS:
        return HandlePlayCountSettings();
    case MSG_RESCAN:
        scanner.initScan(true);
        return HR_OK;
    case MSG_START_CHANGES:
        return HandleStartChanges(scanner);
    case MSG_CONNECT_STREAM:
        return HandleConnectStream(scanner);
    case MSG_DELETE_PLAYLIST:
        return HandleDeletePlaylist();
    case MSG_SHOW_FOLDERS:
        if (IKovikUI* ui = m_owner.GetUi())
            ui->ShowFoldersDialog();
        return HR_OK;
    case MSG_IMPORT_ITUNES_PLAYLISTS:
        m_owner.StartPlaylistImport();
        return HR_OK;
    default:
        // Its body was taken whole, so the stream stays in step.
        MVLOG(LOG_ERR, "Skipping a message of unknown type %i (%i bytes)", type, m_body.GetNumUsedBytes());
        return HR_OK;
    }
}

NodeConn::HandlerResult NodeConn::HandleRedirect() {
    const uint32_t port = m_body.ReadUInt32();
    const std::string address = m_body.ReadStdString(kMaxAddressBytes);
    const bool readFailed = m_body.HasFailed();
    if (readFailed || port == 0 || port > 0xFFFF || address.empty()) {
        MVLOG(LOG_ERR, "Bad redirection info: read failure: %i, ip: %s, port: %i", readFailed ? 1 : 0,
              address.c_str(), static_cast<int>(port));
        CountFailure();
        return HR_CLOSE;
    }
    m_gotRedirect = true;
    m_failuresSinceSuccess = 0;
    m_conn.Close();
    ClearCanSendChanges();
    ClearSecurityStrings();
    m_conn.Reset();
    m_state = NC_NOT_CONNECTED;
    m_host = address;
    m_port = static_cast<uint16_t>(port);
    m_conn.Connect(m_host, m_port);
    return HR_OK;
}

NodeConn::HandlerResult NodeConn::HandleEcho() {
    const uint32_t count = m_body.ReadUInt32();
    // The count is believed only as far as the body holds bytes.
    const bool fits = count <= static_cast<uint32_t>(m_body.GetNumUsedBytes());
    std::vector<uint8_t> bytes(fits ? count : 0);
    if (fits)
        (void)m_body.ReadBytes(bytes.data(), static_cast<int64_t>(bytes.size()));
    else
        m_body.SetFailed();
    if (!BodyIsGood(MSG_ECHO))
        return HR_CLOSE;
    Buf reply(static_cast<int64_t>(bytes.size()) + 5);
    reply.WriteUInt32(count);
    reply.WriteBytes(bytes.data(), static_cast<int64_t>(bytes.size()));
    (void)SendMessage(MSG_ECHO_REPLY, reply);
    return HR_OK;
}

NodeConn::HandlerResult NodeConn::HandleAccountStatus() {
    const uint32_t status = m_body.ReadUInt32();
    if (!BodyIsGood(MSG_ACCOUNT_STATUS))
        return HR_CLOSE;
    MVLOG(LOG_INFO, "got back an account status: %i", static_cast<int>(status));
    m_owner.OnAccountStatus(static_cast<int>(status));
    return HR_END_SESSION;
}

NodeConn::HandlerResult NodeConn::HandleAccountCheckResult() {
    const uint32_t status = m_body.ReadUInt32();
    const std::string text = m_body.ReadStdString(kMaxAddressBytes);
    if (!BodyIsGood(MSG_ACCOUNT_CHECK_RESULT))
        return HR_CLOSE;
    MVLOG(LOG_INFO, "got a test account status message back: %i", static_cast<int>(status));
    if (m_state != NC_WAITING_FOR_SECSTR || !m_loginCheckMode || !m_sentAccountCheck ||
        (m_connMode != NCM_LOGIN && m_connMode != NCM_ONETIME_LOGIN)) {
        MVLOG(LOG_CRIT, "got MSG_ACCOUNT_CHECK_RESULT when server conn was in state %i, mode %i", m_state,
              m_connMode);
        return HR_CLOSE;
    }
    if (status & kAccountCheckHasCredential) {
        if (text.empty()) {
            MVLOG(LOG_ERR, "Account check result %u without the credential it announces", status);
            return HR_CLOSE;
        }
        m_password = text;
    }
    m_owner.OnAccountAnswer(static_cast<int>(status), Utf8ToWide(m_password), m_connMode);
    return HR_END_SESSION;
}

NodeConn::HandlerResult NodeConn::HandleSecurityString(FileScanner& scanner) {
    const std::string salt = m_body.ReadStdString(kMaxSecurityStringBytes);
    const std::string second = m_body.ReadStdString(kMaxSecurityStringBytes);
    const uint32_t serverValue = m_body.ReadUInt32();
    if (!BodyIsGood(MSG_SECURITY_STRING))
        return HR_CLOSE;
    if (m_state != NC_WAITING_FOR_SECSTR || m_sentAccountCheck || m_connMode == NCM_NOT_SET) {
        MVLOG(LOG_CRIT, "got MSG_SECURITY_STRING when server conn was in weird state: %i", m_state);
        return HR_CLOSE;
    }
    m_serverSalt = salt;
    m_secondSecurityString = second;
    m_serverValue = serverValue;
    m_owner.SetWebLoginSecret(second);
    if (m_connMode == NCM_NORMAL) {
        if (!SendHello(scanner)) {
            MVLOG(LOG_ERR, "Could not send the hello; closing the server connection");
            return HR_CLOSE;
        }
        m_state = NC_CONNECTED;
        m_connectedOnce = true;
        m_conn.LogCipher();
        return HR_OK;
    }
    if (!SendAccountCheck()) {
        MVLOG(LOG_ERR, "Could not send the account check; closing the server connection");
        return HR_CLOSE;
    }
    m_sentAccountCheck = true;
    return HR_OK;
}

NodeConn::HandlerResult NodeConn::HandleUpgrade() {
    auto upgrade = std::make_shared<UpgradeRequest>();
    upgrade->upgraderPath = m_body.ReadWString(kMaxUpgradeTextBytes);
    upgrade->upgraderMd5 = m_body.ReadWString(kMaxUpgradeTextBytes);
    upgrade->manifestPath = m_body.ReadWString(kMaxUpgradeTextBytes);
    upgrade->manifestMd5 = m_body.ReadWString(kMaxUpgradeTextBytes);
    const uint32_t timeoutSecs = m_body.ReadUInt32();
    if (!BodyIsGood(MSG_UPGRADE))
        return HR_CLOSE;
    if (m_upgrade) {
        MVLOG(LOG_INFO, "Ignoring upgrade request, since one was already in progress");
        return HR_OK;
    }
    if (!IsUpgradeOrderValid(*upgrade))
        return HR_OK;
    m_upgrade = std::move(upgrade);
    StartUpgrade(m_upgrade, timeoutSecs);
    return HR_OK;
}

NodeConn::HandlerResult NodeConn::HandleSendLog() {
    const uint32_t kind = m_body.ReadUInt32();
    if (!BodyIsGood(MSG_SEND_LOG))
        return HR_CLOSE;
    if (kind == REPORT_FAILURE || kind == REPORT_INFO || kind == REPORT_UPGRADE) {
        MVLOG(LOG_ERR, "Flushing log");
        // On its own thread: the uploader may take its 20 s.
        SendReportInBackground(L"App Report", static_cast<ReportKind>(kind));
    }
    return HR_OK;
}

NodeConn::HandlerResult NodeConn::HandlePlayCountSettings() {
    const bool enabled = m_body.ReadBool();
    const uint32_t hours = m_body.ReadUInt32();
    (void)m_body.ReadBool();
    if (!BodyIsGood(MSG_PLAYCOUNT_SETTINGS))
        return HR_CLOSE;
    m_owner.SetPlayCountSettings(enabled, hours);
    return HR_OK;
}

NodeConn::HandlerResult NodeConn::HandleStartChanges(FileScanner& scanner) {
    const uint32_t window = m_body.ReadUInt32();
    if (!BodyIsGood(MSG_START_CHANGES))
        return HR_CLOSE;
    scanner.SetMaxOutstanding(window);
    scanner.CheckNumOutstanding();
    SetCanSendChanges();
    return HR_OK;
}
