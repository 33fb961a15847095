// A server connection in a core-less setting: a recording owner and scanner,
// an injected clock, and the protocol test server on loopback. Tests pump
// the connection as the core loop does.
#pragma once

#include "client/server/NodeConn.h"
#include "include/config/ServiceSettings.h"
#include "include/crash/CrashReport.h"
#include "include/net/Sockets.h"
#include "platform/lib/openssl/SslContext.h"
#include "tests/support/CapturedLog.h"
#include "tests/support/ManualClock.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "tests/support/WaitUntil.h"
#include "tests/support/core/FakeLibrary.h"
#include "tests/support/core/FakeLinkOwner.h"
#include "tests/support/testserver/TestServer.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace testsupport {

inline TestServerOptions DefaultServerOptions() {
    TestServerOptions options;
    options.account.userName = "alice";
    options.account.credential = "cred-1";
    options.account.password = "typed-pw";
    options.account.oneTimeSecret = "one-time-1";
    return options;
}

class LinkHarness {
  public:
    explicit LinkHarness(TestServerOptions options = DefaultServerOptions(), bool startServer = true,
                         std::unique_ptr<LowPriScanner> lowPriScanner = nullptr,
                         HelloSystemInfoReader systemInfoReader = nullptr)
        : server(std::move(options)) {
        EnableCrashReports(false);
        (void)startNetworking();
        serverStarted = startServer && server.Start();
        m_redirector = std::make_unique<ScopedEnv>(kEnvRedirector,
                                                   "127.0.0.1:" + std::to_string(server.RedirectorPort()));
        if (server.UsesTls()) {
            platform::TlsClientSettings tls;
            tls.caFile = server.CaFile();
            unsigned long error = 0;
            m_context = platform::SslContext::CreateClient(tls, &error);
        }
        link =
            std::make_unique<NodeConn>(owner, std::move(lowPriScanner), nullptr, std::move(systemInfoReader));
        link->InitServerConnection(m_context.get(), kSessionSalt);
    }
    ~LinkHarness() {
        link->Shutdown();
        server.Stop();
        EnableCrashReports(true);
    }

    // One pass of the core loop's work for the connection.
    void Pass() {
        link->Tick(scanner);
        SocketSet readSet, writeSet, exceptSet;
        int maxFd = 0;
        bool any = false;
        link->AddToFdSets(maxFd, any, readSet, writeSet, exceptSet);
        if (!any) {
            // As the core loop does, give the other side a moment.
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            return;
        }
        timeval timeout{0, link->HasWorkWithoutWaiting() ? 0 : 2000};
        if (selectSockets(maxFd + 1, &readSet, &writeSet, &exceptSet, &timeout) > 0)
            link->HandleSelect(readSet, writeSet, exceptSet);
    }

    // Passes until `done` holds; false when it did not within `timeout` of
    // real time (the server answers from its own thread).
    bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = kWaitTimeout) {
        return WaitUntil(
            [&] {
                if (done())
                    return true;
                Pass();
                return false;
            },
            timeout, std::chrono::microseconds(0));
    }
    void Pump(int passes) {
        for (int i = 0; i < passes; ++i)
            Pass();
    }

    // A normal session up to NC_CONNECTED.
    bool Connect(const std::wstring& user = L"alice", const std::wstring& credential = L"cred-1") {
        link->Start(NCM_NORMAL, user, credential);
        return PumpUntil([this] { return link->GetState() == NC_CONNECTED; });
    }

    void AdvanceSecs(int64_t secs) { clock.Advance(secs * 1000); }

    static constexpr char kSessionSalt[] = "0a1b2c3d";

    CapturedLog log;
    ManualClock clock;
    TempDir dir;
    FakeLinkOwner owner;
    FakeScanner scanner;
    TestServer server;
    bool serverStarted = false;
    std::unique_ptr<NodeConn> link;

  private:
    std::unique_ptr<ScopedEnv> m_redirector;
    std::unique_ptr<platform::SslContext> m_context;
};

} // namespace testsupport
