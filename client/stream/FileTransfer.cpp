// The transfer's start, its pass and the messages that move it on.
#include "client/stream/FileTransfer.h"

#include "client/core/IKovikUI.h"
#include "client/library/FileScanner.h"
#include "client/stream/TransferMessage.h"
#include "include/fs/FileCmds.h"
#include "include/log/Logger.h"

#include <memory>

namespace {

// State changes one pass follows at once, so that sending or writing starts
// in the pass a message arrives; bounded so that a pass always ends.
constexpr int kMaxStepsPerTick = 8;

const char* DirectionName(int direction) {
    return direction == SEND ? "sending" : "receiving";
}

} // namespace

FileTransfer::FileTransfer(IKovikUI* ui) : m_ui(ui) {
    m_conn.SetBufSizes(kBufBytes, kBufBytes);
    ResetDigest();
}

int FileTransfer::Start(const TransferStart& start) {
    m_start = start;
    m_result = TS_SUCCESS;
    m_finished = false;
    m_state = WAITING_FOR_CONN;
    m_fd.Reset();
    m_tagDone = false;
    m_allSent = false;
    m_bytesRemaining = 0;
    m_resumeOffset = 0;
    m_dataTotal = 0;
    m_waitingForRoom = false;
    ResetDigest();
    const int result = start.direction == SEND ? StartSending() : StartReceiving();
    if (result != kStartGoingOn)
        SetFinishedWithCode(result);
    return result;
}

int FileTransfer::StartPassive(const TransferStart& start) {
    const int result = Start(start);
    if (result == kStartGoingOn)
        m_conn.ListenForApp(start.connID, start.port);
    return result;
}

int FileTransfer::StartActive(const TransferStart& start) {
    const int result = Start(start);
    if (result == kStartGoingOn)
        m_conn.ConnectApp(start.connID, start.address, start.port);
    return result;
}

void FileTransfer::TransferTick(FileScanner& scanner) {
    if (m_finished)
        return;
    if (m_conn.IsIdleFor(kIdleLimitSecs)) {
        MVLOG(LOG_INFO, "Transfer %ls saw no traffic for %lli s", m_start.connID.c_str(),
              static_cast<long long>(kIdleLimitSecs));
        SetFinishedWithCode(TS_TIMEOUT);
        m_conn.Close();
    } else if (m_conn.GetState() == TC_FAILED) {
        SetFinishedWithCode(TS_CONNECT_FAILED);
        m_conn.Close();
    }
    if (m_conn.GetState() == TC_CLOSED) {
        Close();
        SetFinishedWithCode(m_allSent ? TS_SUCCESS : TS_READ_ERROR);
        return;
    }
    for (int step = 0; step < kMaxStepsPerTick && !m_finished; ++step) {
        if (!StepState())
            break;
    }
    if (m_finished && m_result == TS_SUCCESS && m_start.direction == RECV) {
        scanner.SaveDownload(m_filePath);
        scanner.ScanSingleFile(m_filePath, m_start.songID);
    }
}

bool FileTransfer::StepState() {
    const int before = m_state;
    switch (m_state) {
    case WAITING_FOR_CONN:
        if (m_conn.GetState() != TC_CONNECTED)
            return false;
        m_state = IDLE;
        if (m_start.direction == RECV)
            SendRequest();
        break;
    case IDLE:
    case RECVING_TAG_HEADER:
    case RECVING_DATA_HEADER:
        (void)OnTransferMessage();
        break;
    case SENDING_TAG:
    case SENDING_DATA:
        SendChunk();
        SendChecksum();
        break;
    case RECVING_TAG:
    case RECVING_DATA:
        WriteTemp(false);
        if (!m_finished)
            FinishReceive();
        break;
    default:
        break;
    }
    return !m_finished && m_state != before;
}

bool FileTransfer::OnTransferMessage() {
    const TransferRead waiting = PeekTransferMessage(m_conn.inBuf);
    if (waiting == TR_INCOMPLETE)
        return false;
    if (waiting == TR_MESSAGE) {
        Buf& out = m_conn.outBuf;
        out.Compact();
        if (out.GetNumFreeBytes() < kMessageRoomBytes) {
            if (!m_waitingForRoom)
                MVLOG(LOG_INFO, "Waiting to dispatch message until the outbuf has freed some space");
            m_waitingForRoom = true;
            return false;
        }
        m_waitingForRoom = false;
    }
    TransferMessage message;
    if (waiting == TR_BAD || ReadTransferMessage(m_conn.inBuf, message) != TR_MESSAGE) {
        Fail(TS_READ_ERROR);
        return false;
    }
    const bool sending = m_start.direction == SEND;
    const bool fits =
        sending ? m_state == IDLE && (message.type == FT_REQUEST_TAG || message.type == FT_REQUEST_DATA)
                : (m_state == RECVING_TAG_HEADER && message.type == FT_TAG_HEADER) ||
                      (m_state == RECVING_DATA_HEADER && message.type == FT_DATA_HEADER);
    if (!fits) {
        MVLOG(LOG_ERR, "Unexpected %s in state %i while %s %ls", TransferMessageName(message.type), m_state,
              DirectionName(m_start.direction), m_filePath.c_str());
        Fail(TS_READ_ERROR);
        return false;
    }
    switch (message.type) {
    case FT_REQUEST_TAG:
        SendTagHeader();
        break;
    case FT_REQUEST_DATA:
        SendDataHeader(message.start, message.count);
        break;
    default:
        (void)TakeHeader(message);
        break;
    }
    return !m_finished;
}

void FileTransfer::SetFinishedWithCode(int code) {
    if (m_finished)
        return;
    m_result = code;
    m_finished = true;
}

void FileTransfer::Fail(int code) {
    SetFinishedWithCode(code);
    Close();
}

void FileTransfer::Close() {
    m_fd.Reset();
    if (m_conn.GetState() != TC_CLOSED)
        m_conn.Close();
}

uint32_t FileTransfer::GetRate() {
    int rate = 0;
    RateCounter& meter = m_start.direction == SEND ? m_conn.GetWriteMeter() : m_conn.GetReadMeter();
    (void)meter.GetRate(rate);
    return rate > 0 ? static_cast<uint32_t>(rate) : 0;
}

uint32_t FileTransfer::GetDataBytesDone() {
    if ((m_state != SENDING_DATA && m_state != RECVING_DATA) || m_dataTotal == 0)
        return 0;
    return static_cast<uint32_t>(m_dataTotal - m_bytesRemaining);
}

void FileTransfer::ResetDigest() {
    m_hashedBytes = 0;
    Md5Init(&m_digest);
}

std::string FileTransfer::GetDigestHex() const {
    Md5Context copy = m_digest;
    unsigned char bytes[kMd5DigestBytes];
    Md5Final(&copy, bytes);
    return GetDigestStrA(bytes, kMd5DigestBytes);
}

void FileTransfer::Notify(uint8_t kind, const std::wstring& path) {
    if (!m_ui)
        return;
    auto notice = std::make_unique<TransferNotice>();
    notice->kind = kind;
    notice->path = path;
    m_ui->TransferFinished(std::move(notice));
}
