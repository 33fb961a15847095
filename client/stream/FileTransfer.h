// One peer file transfer that the server paired this machine for: the
// sending side reads a shared file, the receiving side writes a temporary
// file and, once everything has arrived intact, moves it into the download
// folder. One side listens and the other connects, as the server says. The
// receiver asks for the tag region and then for the audio data; the sender
// answers each request with a length header, the raw bytes and a checksum
// (TransferMessage.h). The server link owns every transfer, puts its
// connection in the select sets and calls TransferTick once per pass until
// it is finished, then reports the result. Core thread only.
//
// The peer is untrusted: nothing it sends ends the program, writes more
// than the server announced, or writes outside the download folder. Every
// fault ends the transfer with a status code.
#pragma once

#include "client/media/FileMetaData.h"
#include "client/net/TcpConn.h"
#include "client/protocol/mvMessage.h"
#include "include/digest/Md5.h"
#include "platform/fs/UniqueFd.h"

#include <cstdint>
#include <string>

class FileScanner;
class IKovikUI;
struct TransferMessage;

enum TransferDirection {
    SEND = 1,
    RECV = 2,
};

// Status codes a transfer ends with, as the server link reports them.
enum TransferStatus {
    TS_SUCCESS = 0,
    TS_BAD_FILE = 1,
    TS_TIMEOUT = 2,
    TS_GOT_TRANSFER_INFO = 3,
    TS_CONNECT_FAILED = 4,
    TS_READ_ERROR = 5,
    TS_FILE_EXISTS = 6,
    TS_ABORTED = 8,
    TS_EBADF = 10,
    TS_READ_MD_FAILED = 12,
    TS_OPEN_FAILED = 13,
    TS_HASH_DIFF = 14,
    TS_MOVE_FAILED = 16,
    TS_UITS_FAILED = 17,
};

// What a start needs to know.
struct TransferStart {
    TransferId id;
    int direction = SEND;
    uint32_t songID = 0;
    uint64_t fileSetID = 0;
    // The file's size as the server announced it (receiving: the most data
    // accepted; 0 when unknown).
    uint32_t size = 0;
    // Sending: the file to send. Receiving: the download folder.
    std::wstring path;
    // Receiving: the folder below the download folder ('\' separators as on
    // the wire) and the file name, both from the server.
    std::wstring dirName;
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
    static constexpr int kBufBytes = 65536;
    // Seconds without traffic after which a transfer times out.
    static constexpr int64_t kIdleLimitSecs = 90;
    // A message is only handled while the output buffer has this much room,
    // enough for any answer.
    static constexpr int kMessageRoomBytes = 1024;
    // The largest tag region a receiver takes.
    static constexpr int64_t kMaxTagBytes = 16 * 1024 * 1024;
    // The largest file when the server announced no size.
    static constexpr int64_t kMaxDataBytes = 0x7FFFFFFF;

    enum State {
        WAITING_FOR_CONN = 0,
        IDLE = 1,
        SENDING_TAG = 2,
        SENDING_DATA = 3,
        RECVING_TAG_HEADER = 4,
        RECVING_TAG = 5,
        RECVING_DATA_HEADER = 6,
        RECVING_DATA = 7,
    };

    explicit FileTransfer(IKovikUI* ui);
    virtual ~FileTransfer() = default;
    FileTransfer(const FileTransfer&) = delete;
    FileTransfer& operator=(const FileTransfer&) = delete;

    // Checks the file (sending) or opens the temporary file (receiving),
    // then listens for the peer / connects to it. kStartGoingOn, or the
    // status code to report at once.
    virtual int StartPassive(const TransferStart& start);
    virtual int StartActive(const TransferStart& start);
    // One pass of work.
    virtual void TransferTick(FileScanner& scanner);
    virtual bool IsFinished() const { return m_finished; }
    virtual int GetResult() const { return m_result; }
    // Bytes per second of the connection's sending or receiving side.
    virtual uint32_t GetRate();
    // Data bytes moved so far (receiving; a sender reports 0).
    virtual uint32_t GetDataBytesDone();
    // Closes the file and the connection.
    virtual void Close();

    const TransferId& GetId() const { return m_start.id; }
    int GetDirection() const { return m_start.direction; }
    uint64_t GetFileSetId() const { return m_start.fileSetID; }
    uint32_t GetSongId() const { return m_start.songID; }
    TcpConn& GetConn() { return m_conn; }
    int GetState() const { return m_state; }
    // Receiving: the temporary file and the destination.
    const std::wstring& GetTempPath() const { return m_tempPath; }
    const std::wstring& GetFilePath() const { return m_filePath; }

  protected:
    // The first code wins.
    void SetFinishedWithCode(int code);

    IKovikUI* m_ui;
    TransferStart m_start;
    TcpConn m_conn;
    bool m_finished = false;
    int m_result = TS_SUCCESS;

  private:
    // The checks and files of a start; kStartGoingOn or a status code.
    int Start(const TransferStart& start);
    int StartSending();
    int StartReceiving();
    // One state's work; true when the state changed so that the next one's
    // work should run in the same pass.
    bool StepState();
    // A whole message waits in the input buffer: act on it.
    bool OnTransferMessage();
    // Finishes with `code` and closes the file and the connection.
    void Fail(int code);
    void ResetDigest();
    std::string GetDigestHex() const;
    void Notify(uint8_t kind, const std::wstring& path);

    // Sender (FileTransferSend.cpp).
    // False (the transfer failed) when the file cannot be positioned.
    bool SeekFile(int64_t pos);
    // Queues a tag or data header announcing `length` bytes and enters `next`.
    void QueueHeader(uint32_t type, int64_t length, State next);
    void SendTagHeader();
    void SendDataHeader(int64_t start, int64_t count);
    void SendChunk();
    void SendChecksum();

    // Receiver (FileTransferRecv.cpp).
    void SendRequest();
    // False when the header's length is refused (the transfer then failed).
    bool TakeHeader(const TransferMessage& message);
    void WriteTemp(bool flush);
    void FinishReceive();
    void FinishDownload();
    // Embeds the UITS tag into the finished temporary file; false when the
    // transfer then failed (TS_UITS_FAILED). A file whose content the tag
    // changed is deleted.
    bool EmbedTag();
    // The finished temporary file has the content the server named.
    bool HasExpectedContent();
    // Deletes the temporary file, reports the mismatch and finishes with
    // TS_HASH_DIFF.
    void RejectContent();

    int m_state = WAITING_FOR_CONN;
    std::wstring m_tempPath;
    // Sending: the shared file. Receiving: the destination.
    std::wstring m_filePath;
    FileMetaData m_md;
    platform::UniqueFd m_fd;
    bool m_tagDone = false;
    bool m_allSent = false;
    int64_t m_bytesRemaining = 0;
    int64_t m_resumeOffset = 0;
    int64_t m_dataTotal = 0;
    int64_t m_hashedBytes = 0;
    Md5Context m_digest{};
    // A whole message waits for room in the output buffer (logged once).
    bool m_waitingForRoom = false;
};
