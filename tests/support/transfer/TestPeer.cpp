#include "tests/support/transfer/TestPeer.h"

#include "tests/support/testserver/ProtocolChecks.h"
#include "tests/support/testserver/WireReader.h"
#include "tests/support/testserver/WireWriter.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>

namespace testsupport {

namespace {

constexpr uint32_t kRequestTag = 1;
constexpr uint32_t kTagHeader = 2;
constexpr uint32_t kRequestData = 3;
constexpr uint32_t kDataHeader = 4;
constexpr uint32_t kChecksum = 5;
constexpr size_t kReadBytes = 65536;

std::string Frame(uint32_t type, const std::string& payload) {
    PeerFrame frame;
    frame.type = type;
    frame.payload = payload;
    return frame.Encode();
}

uint32_t PeekU32(const std::string& bytes, size_t offset) {
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i)
        value = (value << 8) | static_cast<unsigned char>(bytes[offset + i]);
    return value;
}

} // namespace

std::string PeerFrame::Encode() const {
    WireWriter body;
    body.U32(version);
    body.U32(type);
    body.U16(nameCount);
    for (const std::string& name : names)
        body.String(name);
    body.Bytes(payload);
    WireWriter whole;
    whole.U32(mesgLen.value_or(static_cast<uint32_t>(body.Data().size() + 4)));
    whole.Bytes(body.Data());
    return whole.Take();
}

std::string I64Bytes(int64_t value) {
    WireWriter writer;
    writer.U64(static_cast<uint64_t>(value));
    return writer.Take();
}

std::string RequestTag() {
    return Frame(kRequestTag, "");
}
std::string TagHeader(int64_t length) {
    return Frame(kTagHeader, I64Bytes(length));
}
std::string RequestData(int64_t start, int64_t count) {
    return Frame(kRequestData, I64Bytes(start) + I64Bytes(count));
}
std::string DataHeader(int64_t length) {
    return Frame(kDataHeader, I64Bytes(length));
}
std::string Checksum(int64_t hashedBytes, const std::string& digest) {
    WireWriter text;
    text.String(digest);
    return Frame(kChecksum, I64Bytes(hashedBytes) + text.Data());
}

bool TestPeer::Listen() {
    std::string error;
    return m_listen.Open(0, error);
}

bool TestPeer::Connect(uint16_t port, const std::string& connID) {
    m_fd.Reset(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (!m_fd.IsValid() || connect(m_fd.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        m_fd.Reset();
        return false;
    }
    WireWriter preamble;
    preamble.U32(static_cast<uint32_t>(10 + connID.size()));
    preamble.U32(1);
    preamble.String(connID);
    m_out += preamble.Data();
    m_preambleDone = true;
    m_announcedId = connID;
    return true;
}

void TestPeer::Send(const std::string& bytes) {
    m_out += bytes;
}

void TestPeer::Pump() {
    if (!m_fd.IsValid() && m_listen.Fd() >= 0) {
        std::string address;
        m_fd.Reset(m_listen.Accept(address));
    }
    if (!m_fd.IsValid() || m_ended)
        return;
    while (!m_out.empty()) {
        const ssize_t sent = send(m_fd.Get(), m_out.data(), m_out.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent <= 0)
            break;
        m_out.erase(0, static_cast<size_t>(sent));
    }
    char buffer[kReadBytes];
    while (true) {
        const ssize_t got = recv(m_fd.Get(), buffer, sizeof buffer, MSG_DONTWAIT);
        if (got > 0) {
            m_in.append(buffer, static_cast<size_t>(got));
            continue;
        }
        if (got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR))
            m_ended = true;
        break;
    }
    if (!m_preambleDone)
        ReadPreamble();
}

void TestPeer::ReadPreamble() {
    if (m_in.size() < 4 || m_in.size() < PeekU32(m_in, 0))
        return;
    WireReader reader(m_in);
    uint32_t size = 0, version = 0;
    (void)reader.U32("size", size);
    (void)reader.U32("version", version);
    (void)reader.String("id", m_announcedId);
    m_in.erase(0, size);
    m_preambleDone = true;
}

std::optional<PeerMessage> TestPeer::TakeMessage() {
    if (!m_preambleDone || m_in.size() < 4 || m_in.size() < PeekU32(m_in, 0))
        return std::nullopt;
    PeerMessage message;
    message.mesgLen = PeekU32(m_in, 0);
    if (message.mesgLen < 4)
        return std::nullopt;
    WireReader reader(std::string_view(m_in).substr(4, message.mesgLen - 4));
    uint32_t version = 0;
    uint16_t names = 0;
    uint64_t first = 0, second = 0;
    std::string name;
    (void)reader.U32("version", version);
    (void)reader.U32("type", message.type);
    (void)reader.U16("names", names);
    for (uint16_t i = 0; i < names; ++i)
        (void)reader.String("name", name);
    if (message.type != kRequestTag)
        (void)reader.U64("first", first);
    if (message.type == kRequestData)
        (void)reader.U64("second", second);
    if (message.type == kChecksum)
        (void)reader.String("digest", message.digest);
    message.first = static_cast<int64_t>(first);
    message.second = static_cast<int64_t>(second);
    m_in.erase(0, message.mesgLen);
    return message;
}

std::optional<std::string> TestPeer::TakeBytes(size_t count) {
    if (m_in.size() < count)
        return std::nullopt;
    std::string bytes = m_in.substr(0, count);
    m_in.erase(0, count);
    return bytes;
}

void TestPeer::Close() {
    m_fd.Reset();
    m_listen.Close();
}

void PeerSender::Step(TestPeer& peer) {
    while (std::optional<PeerMessage> request = peer.TakeMessage()) {
        requests.push_back(*request);
        if (request->type == kRequestTag) {
            const std::string tag = m_file.substr(0, m_tagBytes);
            peer.Send(TagHeader(static_cast<int64_t>(tag.size())) + tag +
                      Checksum(static_cast<int64_t>(tag.size()), Md5Hex(tag)));
        } else if (request->type == kRequestData) {
            const size_t start = m_tagBytes + static_cast<size_t>(request->first);
            const std::string data = start < m_file.size() ? m_file.substr(start) : std::string();
            const std::string digest = wrongDataDigest ? Md5Hex(data + "x") : Md5Hex(data);
            peer.Send(DataHeader(static_cast<int64_t>(data.size())) + data +
                      Checksum(static_cast<int64_t>(data.size()) + dataCountDelta, digest));
        }
    }
    peer.Pump();
}

void PeerReceiver::Step(TestPeer& peer) {
    peer.Pump();
    if (!peer.IsConnected())
        return;
    while (m_phase != PHASE_DONE) {
        if (m_phase == PHASE_START) {
            peer.Send(RequestTag());
            m_phase = PHASE_HEADER;
        } else if (m_phase == PHASE_HEADER || m_phase == PHASE_CHECKSUM) {
            std::optional<PeerMessage> message = peer.TakeMessage();
            if (!message)
                break;
            messages.push_back(*message);
            if (m_phase == PHASE_HEADER) {
                m_bytesLeft = static_cast<size_t>(message->first);
                m_phase = PHASE_BYTES;
            } else if (!m_inData) {
                peer.Send(RequestData(0, -1));
                m_inData = true;
                m_phase = PHASE_HEADER;
            } else {
                peer.Close();
                m_phase = PHASE_DONE;
            }
        } else {
            std::optional<std::string> bytes = peer.TakeBytes(m_bytesLeft);
            if (!bytes)
                break;
            received += *bytes;
            m_phase = PHASE_CHECKSUM;
        }
    }
    peer.Pump();
}

} // namespace testsupport
