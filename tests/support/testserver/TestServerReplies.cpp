#include "tests/support/testserver/TestServerState.h"

namespace testsupport {

using Peer = detail::Peer;

void TestServer::State::Handle(Peer& peer, const Frame& frame) {
    ReceivedMessage received;
    received.connection = peer.id;
    received.viaRedirector = peer.viaRedirector;
    received.type = frame.type;
    received.declaredLength = frame.declaredLength;
    received.payload = frame.payload;
    Decoded<ClientMessage> decoded = DecodeClientMessage(frame.type, frame.payload);
    received.message = std::move(decoded.message);
    received.error = std::move(decoded.error);
    Event("conn " + std::to_string(peer.id) + " <- " + received.Describe());
    if (received.message)
        Check(peer, received);
    else
        Problem(peer.id, received.Describe());
    {
        std::lock_guard<std::mutex> lock(mutex);
        history.push_back(received);
    }
    Reply(peer, received);
}

void TestServer::State::Check(Peer& peer, const ReceivedMessage& received) {
    ExpectedAccount expected;
    {
        std::lock_guard<std::mutex> lock(mutex);
        expected = account;
    }
    std::vector<std::string> found;
    if (const auto* hello = received.As<msg::Hello>()) {
        std::optional<uint32_t> previous = options.checkSessionSerial ? lastHelloSerial : std::nullopt;
        HelloContext context{peer.serverSalt, peer.address, previous, expected};
        found = CheckHello(*hello, context);
        lastHelloSerial = hello->sessionSerial;
    } else if (const auto* check = received.As<msg::AccountCheck>()) {
        found = CheckAccountCheck(*check, peer.serverSalt, expected);
    }
    for (const std::string& problem : found)
        Problem(peer.id, problem);
}

void TestServer::State::Reply(Peer& peer, const ReceivedMessage& received) {
    AutoReplies now;
    {
        std::lock_guard<std::mutex> lock(mutex);
        now = replies;
    }
    bool redirecting = peer.viaRedirector && now.redirect;
    if (received.Is(ClientMsg::MSG_SECURITY_STRING_REQUEST)) {
        if (redirecting)
            SendOn(peer, msg::Redirect{sessionListener.Port(), options.redirectAddress});
        else if (now.securityString)
            SendOn(peer, msg::SecurityString{now.serverSalt, now.secondString, now.serverValue});
    }
    if (!redirecting) {
        if (received.Is(ClientMsg::MSG_ACCOUNT_CHECK) && now.accountCheckStatus)
            SendOn(peer, msg::AccountCheckResult{*now.accountCheckStatus, now.accountCheckText});
        if (received.Is(ClientMsg::MSG_HELLO)) {
            if (now.helloAccountStatus) {
                SendOn(peer, msg::AccountStatus{*now.helloAccountStatus});
            } else {
                if (now.startChangesWindow)
                    SendOn(peer, msg::StartChanges{*now.startChangesWindow});
                if (now.requestListing)
                    SendOn(peer, msg::FileListingRequest{});
            }
        }
        if (const auto* newFile = received.As<msg::NewFile>(); newFile && now.ackNewFiles)
            SendOn(peer, msg::NewFileAck{newFile->CfId()});
    }
    if (options.responder)
        for (const ServerMessage& message : options.responder(received))
            SendOn(peer, message);
}

} // namespace testsupport
