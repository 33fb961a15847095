// The other machine of a peer transfer, for tests: a raw loopback socket that
// speaks the connection preamble and the transfer sub-protocol with its own
// encoder and reader (not the program's), so it can send anything a hostile
// peer would. Non-blocking: the test pumps it between the passes of the
// transfer under test. PeerSender and PeerReceiver play a whole well-behaved
// side on top of it.
#pragma once

#include "platform/fs/UniqueFd.h"
#include "tests/support/testserver/ListenSocket.h"
#include "tests/support/testserver/ProtocolChecks.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace testsupport {

// One sub-protocol message as the peer read it.
struct PeerMessage {
    uint32_t mesgLen = 0;
    uint32_t type = 0;
    // FT_TAG_HEADER, FT_DATA_HEADER: length; FT_REQUEST_DATA: start;
    // FT_CHECKSUM: bytes hashed.
    int64_t first = 0;
    // FT_REQUEST_DATA: count.
    int64_t second = 0;
    std::string digest;
};

// A sub-protocol message as bytes; every header field can be set wrong.
struct PeerFrame {
    uint32_t type = 0;
    std::string payload;
    // The right one when unset.
    std::optional<uint32_t> mesgLen;
    uint32_t version = 1;
    // The count need not match the names written.
    uint16_t nameCount = 1;
    std::vector<std::string> names{"simple"};

    std::string Encode() const;
};

std::string I64Bytes(int64_t value);
std::string RequestTag();
std::string TagHeader(int64_t length);
std::string RequestData(int64_t start, int64_t count);
std::string DataHeader(int64_t length);
std::string Checksum(int64_t hashedBytes, const std::string& digest);

class TestPeer {
  public:
    // Listens on 127.0.0.1 at a port the system chose; Pump takes the first
    // connection and its preamble.
    bool Listen();
    uint16_t Port() const { return m_listen.Port(); }
    // Connects to 127.0.0.1:port and queues the preamble announcing connID.
    bool Connect(uint16_t port, const std::string& connID);

    void Send(const std::string& bytes);
    // Accepts, sends what is queued and takes in what arrived; never waits.
    void Pump();
    // The next message once all of it is in (consumed).
    std::optional<PeerMessage> TakeMessage();
    // `count` raw bytes once all are in (consumed).
    std::optional<std::string> TakeBytes(size_t count);
    size_t PendingBytes() const { return m_in.size(); }

    bool IsConnected() const { return m_fd.IsValid() && m_preambleDone; }
    // The other side closed the connection.
    bool HasEnded() const { return m_ended; }
    const std::string& AnnouncedId() const { return m_announcedId; }
    void Close();

  private:
    void ReadPreamble();

    ListenSocket m_listen;
    platform::UniqueFd m_fd;
    std::string m_in;
    std::string m_out;
    bool m_preambleDone = false;
    bool m_ended = false;
    std::string m_announcedId;
};

// A well-behaved sender of `file`, whose audio data start at `tagBytes`.
class PeerSender {
  public:
    PeerSender(std::string file, size_t tagBytes) : m_file(std::move(file)), m_tagBytes(tagBytes) {}
    // Answers every whole request.
    void Step(TestPeer& peer);

    // Every request taken, in order.
    std::vector<PeerMessage> requests;
    // Faults: added to the data checksum's byte count; a wrong digest.
    int64_t dataCountDelta = 0;
    bool wrongDataDigest = false;

  private:
    std::string m_file;
    size_t m_tagBytes;
};

// A well-behaved receiver: asks for the tag and for all the data, and closes
// after the data's checksum.
class PeerReceiver {
  public:
    void Step(TestPeer& peer);
    bool Done() const { return m_phase == PHASE_DONE; }

    // Headers and checksums, in order.
    std::vector<PeerMessage> messages;
    // The tag region and the data as they came.
    std::string received;

  private:
    enum Phase { PHASE_START, PHASE_HEADER, PHASE_BYTES, PHASE_CHECKSUM, PHASE_DONE };
    Phase m_phase = PHASE_START;
    bool m_inData = false;
    size_t m_bytesLeft = 0;
};

} // namespace testsupport
