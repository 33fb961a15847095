#include "tests/support/testserver/TestServerState.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace testsupport {
namespace {

constexpr size_t kKeptEvents = 2000;
// Poll entries before the connections: the wake-up counter and both ports.
constexpr size_t kFixedPollEntries = 3;

} // namespace

using Peer = detail::Peer;
using Command = detail::Command;

void TestServer::State::Wake() {
    uint64_t one = 1;
    if (wakeFd >= 0 && write(wakeFd, &one, sizeof one) < 0) {
        // The counter is only full when the thread is already due to wake.
    }
}

void TestServer::State::Event(const std::string& line) {
    {
        std::lock_guard<std::mutex> lock(mutex);
        events.push_back(line);
        if (events.size() > kKeptEvents)
            events.pop_front();
    }
    if (options.logSink)
        options.logSink(line);
}

void TestServer::State::Problem(uint64_t connection, const std::string& text) {
    std::string line = "conn " + std::to_string(connection) + ": " + text;
    {
        std::lock_guard<std::mutex> lock(mutex);
        problems.push_back(line);
    }
    Event("PROBLEM " + line);
}

Peer* TestServer::State::FindPeer(uint64_t id) {
    for (auto& peer : peers)
        if (peer->id == id && !peer->io->Finished())
            return peer.get();
    return nullptr;
}

void TestServer::State::Run() {
    using Clock = std::chrono::steady_clock;
    nextPing = Clock::now() + std::chrono::milliseconds(options.pingIntervalMs);
    while (true) {
        std::vector<pollfd> fds;
        fds.push_back({wakeFd, POLLIN, 0});
        fds.push_back({sessionListener.Fd(), POLLIN, 0});
        fds.push_back({redirectorListener.Fd(), POLLIN, 0});
        size_t polledPeers = peers.size();
        for (auto& peer : peers)
            fds.push_back({peer->io->Fd(), peer->io->PollEvents(), 0});
        int timeout = -1;
        if (options.pingIntervalMs > 0) {
            auto wait =
                std::chrono::duration_cast<std::chrono::milliseconds>(nextPing - Clock::now()).count();
            timeout = static_cast<int>(std::max<int64_t>(0, wait));
        }
        poll(fds.data(), fds.size(), timeout);
        if (fds[0].revents & POLLIN) {
            uint64_t count = 0;
            if (read(wakeFd, &count, sizeof count) < 0) {
                // Nothing to drain: another pass consumed it.
            }
        }

        std::vector<Command> pending;
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (stopping)
                break;
            pending.swap(commands);
        }
        for (const Command& command : pending)
            Apply(command);
        AcceptFrom(sessionListener, false);
        if (redirectorListener.Fd() >= 0)
            AcceptFrom(redirectorListener, true);
        // Queued before the peers are serviced, so a ping goes out in this
        // pass rather than at the next wake-up.
        if (options.pingIntervalMs > 0 && Clock::now() >= nextPing) {
            SendPing();
            nextPing = Clock::now() + std::chrono::milliseconds(options.pingIntervalMs);
        }
        for (size_t i = 0; i < peers.size(); ++i) {
            Peer& peer = *peers[i];
            peer.io->Service(i < polledPeers ? fds[kFixedPollEntries + i].revents : 0);
            Process(peer);
            peer.io->Service(0);
        }
        Reap();
    }
    peers.clear();
    std::lock_guard<std::mutex> lock(mutex);
    open.clear();
}

void TestServer::State::AcceptFrom(ListenSocket& listener, bool viaRedirector) {
    std::string address;
    int fd;
    while ((fd = listener.Accept(address)) >= 0) {
        auto peer = std::make_unique<Peer>();
        peer->id = nextId++;
        peer->viaRedirector = viaRedirector;
        peer->address = address;
        peer->io = std::make_unique<ServerConnection>(fd, tls.get());
        {
            std::lock_guard<std::mutex> lock(mutex);
            open.insert(peer->id);
            (viaRedirector ? redirectorAccepted : accepted) += 1;
        }
        Event("conn " + std::to_string(peer->id) + " accepted from " + address + " on the " +
              (viaRedirector ? "redirector" : "session") + " port");
        peers.push_back(std::move(peer));
    }
}

void TestServer::State::Apply(const Command& command) {
    uint64_t target = command.target;
    if (target == 0) {
        std::lock_guard<std::mutex> lock(mutex);
        target = CurrentLocked();
    }
    Peer* peer = FindPeer(target);
    if (!peer) {
        Event("no open connection " + std::to_string(target) + ": a " +
              (command.kind == detail::CMD_CLOSE ? std::string("close") : std::string("send")) +
              " was dropped");
        return;
    }
    switch (command.kind) {
    case detail::CMD_SEND:
        SendOn(*peer, *command.message);
        break;
    case detail::CMD_SEND_RAW:
        peer->io->Queue(command.bytes);
        Event("conn " + std::to_string(peer->id) + " -> " + std::to_string(command.bytes.size()) +
              " raw bytes");
        break;
    case detail::CMD_CLOSE:
        peer->io->CloseAfterFlush();
        Event("conn " + std::to_string(peer->id) + " closing");
        break;
    }
}

void TestServer::State::Process(Peer& peer) {
    std::string input = peer.io->TakeInput();
    if (input.empty() || peer.faulted)
        return;
    peer.frames.Append(input);
    Frame frame;
    while (true) {
        FrameReader::Result result = peer.frames.Next(frame);
        if (result == FrameReader::FR_NEED_MORE)
            return;
        if (result == FrameReader::FR_FRAME) {
            Handle(peer, frame);
            continue;
        }
        char magic[8];
        std::snprintf(magic, sizeof magic, "%04x", peer.frames.BadMagic());
        Problem(peer.id, result == FrameReader::FR_BAD_MAGIC ? std::string("bad frame magic 0x") + magic
                                                             : std::string("frame length below 4"));
        peer.faulted = true;
        peer.io->CloseAfterFlush();
        return;
    }
}
void TestServer::State::SendOn(Peer& peer, const ServerMessage& message) {
    peer.io->Queue(FrameOf(message));
    if (const auto* security = std::get_if<msg::SecurityString>(&message))
        peer.serverSalt = security->serverSalt;
    Event("conn " + std::to_string(peer.id) + " -> " + Describe(message));
}

void TestServer::State::SendPing() {
    for (auto it = peers.rbegin(); it != peers.rend(); ++it) {
        if (!(*it)->viaRedirector && !(*it)->io->Finished()) {
            SendOn(**it, msg::Ping{});
            return;
        }
    }
}

void TestServer::State::Reap() {
    for (auto it = peers.begin(); it != peers.end();) {
        if (!(*it)->io->Finished()) {
            ++it;
            continue;
        }
        Event("conn " + std::to_string((*it)->id) + " " + (*it)->io->EndReason());
        {
            std::lock_guard<std::mutex> lock(mutex);
            open.erase((*it)->id);
        }
        it = peers.erase(it);
    }
}

} // namespace testsupport
