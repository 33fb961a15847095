#include "ui/MvListener.h"

#include "include/log/Logger.h"
#include "ui/UiMessages.h"
#include "ui/kernel/MessageLoop.h"

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>

namespace {

// Room for the request and a line end; a client sending more is dropped.
constexpr size_t kMaxRequestBytes = 64;
// Clients that connected and have not said anything yet.
constexpr size_t kMaxClients = 8;

// The first line of what a client sent, without its line end.
std::string FirstLine(const std::string& text) {
    std::string line = text.substr(0, text.find('\n'));
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

} // namespace

CMvListener::~CMvListener() {
    Destroy();
}

bool CMvListener::Create(MessageLoop& loop, const std::string& socketPath) {
    if (!Attach(loop))
        return false;
    // Signals first: once the socket is there, a signal takes the orderly way.
    if (!m_signals.Open({SIGTERM, SIGINT, SIGHUP})) {
        MVLOG(LOG_ERR, "Listener: cannot catch termination signals, error %i", errno);
    } else if (!loop.Watch(m_signals.ReadFd(), [this] { OnSignal(); })) {
        m_signals.Close();
    }
    if (m_socket.Listen(socketPath) != 0) {
        MVLOG(LOG_ERR, "Listener: cannot listen at %s, error %i (%s)", socketPath.c_str(), errno,
              std::strerror(errno));
    } else if (!loop.Watch(m_socket.Get(), [this] { OnConnection(); })) {
        m_socket.Close();
    }
    return true;
}

void CMvListener::Destroy() {
    MessageLoop* loop = Loop();
    if (loop) {
        for (const Client& client : m_clients)
            loop->Unwatch(client.fd.Get());
        if (m_socket.Get() >= 0)
            loop->Unwatch(m_socket.Get());
        if (m_signals.ReadFd() >= 0)
            loop->Unwatch(m_signals.ReadFd());
    }
    m_clients.clear();
    m_socket.Close();
    m_signals.Close();
    DestroyWindow();
}

intptr_t CMvListener::WindowProc(Message& message) {
    if (message.id != WM_CLOSE)
        return 0;
    // Handled here; the listener stays until the program destroys it.
    if (m_hMainDlg != kNoWindow && Loop())
        Loop()->Send(m_hMainDlg, WM_CLOSE);
    return 1;
}

void CMvListener::CloseRequested() {
    if (Loop() && IsWindow())
        Loop()->Send(Handle(), WM_CLOSE);
}

void CMvListener::OnConnection() {
    for (;;) {
        platform::UniqueFd fd(m_socket.Accept());
        if (!fd.IsValid())
            return;
        uid_t peer = 0;
        if (platform::PeerUserId(fd.Get(), &peer) != 0 || peer != geteuid()) {
            MVLOG(LOG_ERR, "Listener: refused a connection from user %u", static_cast<unsigned>(peer));
            continue;
        }
        // The client that has waited longest without a word makes room.
        if (m_clients.size() >= kMaxClients)
            DropClient(m_clients.front().fd.Get());
        const int raw = fd.Get();
        if (!Loop()->Watch(raw, [this, raw] { OnClientInput(raw); }))
            continue;
        m_clients.push_back(Client{std::move(fd), std::string()});
    }
}

void CMvListener::OnClientInput(int fd) {
    auto found = FindClient(fd);
    if (found == m_clients.end())
        return;
    Client& client = *found;
    char buffer[kMaxRequestBytes];
    ssize_t n;
    do {
        n = recv(fd, buffer, sizeof buffer, 0);
    } while (n < 0 && errno == EINTR);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
        return;
    if (n > 0)
        client.received.append(buffer, static_cast<size_t>(n));
    const bool lineDone = client.received.find('\n') != std::string::npos;
    const std::string request = FirstLine(client.received);
    const bool known = request == kCloseRequest || request == kShowFoldersRequest;
    if (n > 0 && !lineDone && !known && client.received.size() < kMaxRequestBytes)
        return; // more to come
    DropClient(fd);
    if (request == kCloseRequest) {
        MVLOG(LOG_INFO, "Listener: close requested");
        CloseRequested();
    } else if (request == kShowFoldersRequest && known) {
        MVLOG(LOG_INFO, "Listener: folders requested");
        // Posted: the dialog runs modally, after this handler has returned.
        if (m_hMainDlg != kNoWindow && Loop())
            Loop()->Post(m_hMainDlg, WM_APP_SHOW_FOLDERS);
    }
}

void CMvListener::OnSignal() {
    int signo = m_signals.TakeSignal();
    if (signo == 0)
        return;
    while (m_signals.TakeSignal() != 0) {
    }
    MVLOG(LOG_INFO, "Listener: signal %i, closing", signo);
    CloseRequested();
}

std::vector<CMvListener::Client>::iterator CMvListener::FindClient(int fd) {
    return std::find_if(m_clients.begin(), m_clients.end(),
                        [fd](const Client& client) { return client.fd.Get() == fd; });
}

void CMvListener::DropClient(int fd) {
    if (Loop())
        Loop()->Unwatch(fd);
    auto found = FindClient(fd);
    if (found != m_clients.end())
        m_clients.erase(found);
}
