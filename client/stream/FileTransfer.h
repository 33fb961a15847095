// One peer file transfer that the server paired this machine for. This build
// moves no files yet: every start fails with the status "aborted", which the
// server link reports to the server. The sub-protocol, the files and the
// digests arrive with peer transfers.
#pragma once

#include "client/net/TcpConn.h"
#include "client/protocol/mvMessage.h"

#include <cstdint>
#include <string>

class FileScanner;
class IKovikUI;

enum TransferDirection {
    SEND = 1,
    RECV = 2,
};

// Status codes a transfer ends with (those the server link itself uses).
enum TransferStatus {
    TS_SUCCESS = 0,
    TS_BAD_FILE = 1,
    TS_GOT_TRANSFER_INFO = 3,
    TS_FILE_EXISTS = 6,
    TS_ABORTED = 8,
};

// What a start needs to know.
struct TransferStart {
    TransferId id;
    int direction = SEND;
    uint32_t songID = 0;
    uint64_t fileSetID = 0;
    uint32_t size = 0;
    std::wstring path; // the file to send, or the folder to receive into
    std::wstring fileName;
    std::wstring uitsOwner;
    std::wstring uitsTag;
    std::wstring connID;
    std::string address;
    uint16_t port = 0;
};

class FileTransfer {
  public:
    // A start that goes on returns this; anything else is a status code.
    static constexpr int kStartGoingOn = -1;

    explicit FileTransfer(IKovikUI* ui) : m_ui(ui) {}
    virtual ~FileTransfer() = default;
    FileTransfer(const FileTransfer&) = delete;
    FileTransfer& operator=(const FileTransfer&) = delete;

    // Listens for the peer / connects to it.
    virtual int StartPassive(const TransferStart& start);
    virtual int StartActive(const TransferStart& start);
    virtual void TransferTick(FileScanner& scanner) { (void)scanner; }
    virtual bool IsFinished() const { return m_finished; }
    virtual int GetResult() const { return m_result; }
    virtual uint32_t GetRate() { return 0; }
    virtual uint32_t GetDataBytesDone() { return 0; }
    virtual void Close();

    const TransferId& GetId() const { return m_start.id; }
    int GetDirection() const { return m_start.direction; }
    uint64_t GetFileSetId() const { return m_start.fileSetID; }
    uint32_t GetSongId() const { return m_start.songID; }
    TcpConn& GetConn() { return m_conn; }

  protected:
    IKovikUI* m_ui;
    TransferStart m_start;
    TcpConn m_conn;
    bool m_finished = false;
    int m_result = TS_ABORTED;
};
