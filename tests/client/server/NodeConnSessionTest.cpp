// A whole session against the protocol test server: redirect, security
// string, hello, keep-alive, status, account statuses, sign-in checks and the
// watchdogs, all on the injected clock.
#include "tests/client/server/LinkHarness.h"

#include "include/system/SystemInfo.h"
#include "include/text/Utf8.h"
#include "tests/support/LoopbackSockets.h"
#include "tests/support/core/SequenceRandom.h"

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

std::string Problems(const TestServer& server) {
    std::string all;
    for (const std::string& problem : server.Problems())
        all += problem + "\n";
    return all;
}

} // namespace

TEST(NodeConnSessionTest, NormalSessionGoesThroughTheRedirectorToAHello) {
    LinkHarness h;
    ASSERT_TRUE(h.serverStarted);
    h.scanner.numFiles = 3;
    h.owner.searchRunning = true;
    const uint32_t serialBefore = h.link->GetSessionSerial();
    ASSERT_TRUE(h.Connect());
    ASSERT_TRUE(h.PumpUntil([&] { return h.server.HasReceived(ClientMsg::MSG_HELLO); }));

    std::optional<ReceivedMessage> first = h.server.PopNext();
    ASSERT_TRUE(first && first->Is(ClientMsg::MSG_SECURITY_STRING_REQUEST));
    EXPECT_TRUE(first->viaRedirector);
    // The first request: server value 0 and the scanner's file count.
    EXPECT_EQ(12, first->declaredLength);
    EXPECT_EQ(std::string("\0\0\0\0\0\0\0\x03", 8), first->payload);

    std::optional<ReceivedMessage> second = h.server.PopNext();
    ASSERT_TRUE(second && second->Is(ClientMsg::MSG_SECURITY_STRING_REQUEST));
    EXPECT_FALSE(second->viaRedirector);
    ASSERT_TRUE(second->As<msg::SecurityStringRequest>());

    std::optional<ReceivedMessage> helloMessage = h.server.PopNextOf(ClientMsg::MSG_HELLO);
    ASSERT_TRUE(helloMessage);
    const msg::Hello* hello = helloMessage->As<msg::Hello>();
    ASSERT_TRUE(hello) << helloMessage->Describe();
    EXPECT_EQ("alice", hello->userName);
    EXPECT_EQ(testsupport::SaltedDigest("s4lt-9f3e", "cred-1"), hello->passwordDigest);
    EXPECT_EQ(HelloCheckValue("alice", "127.0.0.1"), hello->helloCheck);
    EXPECT_EQ(serialBefore + 1, hello->sessionSerial);
    EXPECT_EQ("127.0.0.1", hello->localIP);
    EXPECT_EQ(35u, hello->protocolVersion);
    EXPECT_EQ(LinkHarness::kSessionSalt, hello->sessionSalt);
    EXPECT_EQ("", hello->oneTimePassword);
    EXPECT_TRUE(hello->searchRunning);
    EXPECT_EQ(h.scanner.GetChangeStamp(), hello->changeStamp);
    EXPECT_EQ("", Problems(h.server));

    EXPECT_TRUE(h.link->HasConnectedOnce());
    EXPECT_EQ("web-login-7", h.owner.webSecret);
    EXPECT_NE(std::wstring::npos, h.link->GetStatusLine().find(L"gr: 1"));
}

TEST(NodeConnSessionTest, SystemInformationIsReadOncePerConnectionAndSentAsRead) {
    int reads = 0;
    // Every read differs, in size too, as files edited meanwhile would.
    auto reader = [&reads] {
        ++reads;
        HelloSystemInfo info;
        info.osDescription = "os-" + std::to_string(reads);
        info.mp3Player = std::wstring(100 * static_cast<size_t>(reads), L'p');
        info.m3uPlayer = L"list-" + std::to_wstring(reads);
        return info;
    };
    LinkHarness h(DefaultServerOptions(), true, nullptr, reader);
    ASSERT_TRUE(h.Connect());
    ASSERT_TRUE(h.PumpUntil([&] { return h.server.HasReceived(ClientMsg::MSG_HELLO); }));
    h.Pump(20);
    EXPECT_EQ(2, reads); // the redirector's connection and the server's
    std::optional<ReceivedMessage> hello = h.server.PopNextOf(ClientMsg::MSG_HELLO);
    ASSERT_TRUE(hello && hello->As<msg::Hello>());
    EXPECT_EQ("os-2", hello->As<msg::Hello>()->osDescription);
    EXPECT_EQ(std::string(200, 'p'), hello->As<msg::Hello>()->mp3Player);
    EXPECT_EQ("list-2", hello->As<msg::Hello>()->m3uPlayer);
    EXPECT_EQ("", Problems(h.server));
}

TEST(NodeConnSessionTest, HelloThatCanNeverFitClosesTheConnectionInsteadOfWaiting) {
    auto reader = [] {
        HelloSystemInfo info;
        info.osDescription = "Linux";
        info.mp3Player = std::wstring(40000, L'x');
        return info;
    };
    LinkHarness h(DefaultServerOptions(), true, nullptr, reader);
    h.link->Start(NCM_NORMAL, L"alice", L"cred-1");
    ASSERT_TRUE(h.PumpUntil([&] { return h.link->GetFailures() > 0; }));
    EXPECT_TRUE(h.log.Contains("The reply to a type 55 message needs 40"));
    EXPECT_FALSE(h.server.HasReceived(ClientMsg::MSG_HELLO));
    EXPECT_NE(NC_CONNECTED, h.link->GetState());
}

TEST(NodeConnSessionTest, PingIsAnsweredAndStatusGoesOutEveryTwentySeconds) {
    LinkHarness h;
    ASSERT_TRUE(h.Connect());
    h.server.SendRaw(std::string("\xDE\xED\x00\x04\x00\x08", 6));
    ASSERT_TRUE(h.PumpUntil([&] { return h.server.HasReceived(ClientMsg::MSG_PONG); }));
    std::optional<ReceivedMessage> pong = h.server.PopNextOf(ClientMsg::MSG_PONG);
    EXPECT_EQ(4, pong->declaredLength);
    EXPECT_EQ("", pong->payload);

    const int before = h.server.CountReceived(ClientMsg::MSG_STATUS);
    h.AdvanceSecs(21);
    ASSERT_TRUE(h.PumpUntil([&] { return h.server.CountReceived(ClientMsg::MSG_STATUS) == before + 1; }));
    h.AdvanceSecs(10);
    h.Pump(50);
    EXPECT_EQ(before + 1, h.server.CountReceived(ClientMsg::MSG_STATUS));
    h.AdvanceSecs(11);
    ASSERT_TRUE(h.PumpUntil([&] { return h.server.CountReceived(ClientMsg::MSG_STATUS) == before + 2; }));

    std::optional<ReceivedMessage> status = h.server.PopNextOf(ClientMsg::MSG_STATUS);
    ASSERT_TRUE(status);
    uint32_t idle = 0;
    uint8_t ac = 0, battery = 0;
    GetUserIdleInfo(idle, ac, battery);
    EXPECT_EQ(12, status->declaredLength);
    EXPECT_EQ(std::string("\xFF\xFF\xFF\xFF", 4) + static_cast<char>(ac) + static_cast<char>(battery) +
                  std::string("\0\0", 2),
              status->payload);
}

TEST(NodeConnSessionTest, AccountStatusEndsTheSessionWithoutReconnecting) {
    for (uint32_t code : {1u, 2u, 3u}) {
        LinkHarness h;
        ASSERT_TRUE(h.Connect());
        const int accepted = h.server.AcceptedCount();
        msg::AccountStatus status;
        status.status = code;
        h.server.Send(status);
        ASSERT_TRUE(h.PumpUntil([&] { return !h.owner.statuses.empty(); }));
        EXPECT_EQ(std::vector<int>({static_cast<int>(code)}), h.owner.statuses);
        EXPECT_EQ(NCM_NOT_SET, h.link->GetConnMode());
        h.AdvanceSecs(120);
        h.Pump(100);
        EXPECT_EQ(NC_NOT_CONNECTED, h.link->GetState());
        EXPECT_EQ(accepted, h.server.AcceptedCount());
        EXPECT_EQ("", h.owner.webSecret); // forgotten with the session
    }
}

TEST(NodeConnSessionTest, SignInChecksAreAnsweredToTheCore) {
    struct Case {
        int mode;
        std::wstring secret;
        uint32_t status;
        std::string text;
        std::wstring credential; // what the core is given
    } cases[] = {
        {NCM_ONETIME_LOGIN, L"one-time-1", 16, "srv-cred", L"srv-cred"},
        {NCM_ONETIME_LOGIN, L"one-time-1", 2, "", L"one-time-1"},
        {NCM_LOGIN, L"typed-pw", 1, "ignored", Utf8ToWide(testsupport::PasswordDigest("typed-pw"))},
    };
    for (const Case& c : cases) {
        TestServerOptions options = DefaultServerOptions();
        options.replies.accountCheckStatus = c.status;
        options.replies.accountCheckText = c.text;
        LinkHarness h(options);
        h.link->Start(c.mode, L"alice", c.secret);
        ASSERT_TRUE(h.PumpUntil([&] { return !h.owner.answers.empty(); })) << c.status;
        EXPECT_EQ(static_cast<int>(c.status), h.owner.answers[0].result);
        EXPECT_EQ(c.credential, h.owner.answers[0].credential);
        EXPECT_EQ(c.mode, h.owner.answers[0].mode);
        EXPECT_EQ(NCM_NOT_SET, h.link->GetConnMode());
        std::optional<ReceivedMessage> check = h.server.PopNextOf(ClientMsg::MSG_ACCOUNT_CHECK);
        ASSERT_TRUE(check && check->As<msg::AccountCheck>());
        // The frame declares the true length of the body.
        EXPECT_EQ(check->payload.size() + 4, check->declaredLength);
        EXPECT_EQ(c.mode == NCM_ONETIME_LOGIN ? 1 : 0, check->As<msg::AccountCheck>()->asGiven);
        EXPECT_EQ("", Problems(h.server));
        EXPECT_FALSE(h.server.HasReceived(ClientMsg::MSG_HELLO));
    }
}

TEST(NodeConnSessionTest, UnansweredSignInCheckEndsWithResultThirtyTwoAfterAMinute) {
    LinkHarness h;
    h.link->Start(NCM_ONETIME_LOGIN, L"alice", L"one-time-1");
    ASSERT_TRUE(h.PumpUntil([&] { return h.server.HasReceived(ClientMsg::MSG_ACCOUNT_CHECK); }));
    h.AdvanceSecs(60);
    h.Pump(20);
    EXPECT_TRUE(h.owner.answers.empty());
    h.AdvanceSecs(1);
    ASSERT_TRUE(h.PumpUntil([&] { return !h.owner.answers.empty(); }));
    ASSERT_EQ(1u, h.owner.answers.size());
    EXPECT_EQ(32, h.owner.answers[0].result);
    EXPECT_EQ(L"", h.owner.answers[0].credential);
    EXPECT_EQ(NCM_ONETIME_LOGIN, h.owner.answers[0].mode);
    ASSERT_TRUE(h.PumpUntil(
        [&] { return h.link->GetState() == NC_NOT_CONNECTED && h.server.OpenConnectionCount() == 0; }));
}

TEST(NodeConnSessionTest, SilentServerIsLeftAfterNinetySecondsAndTheRedirectorAskedAgain) {
    LinkHarness h;
    ASSERT_TRUE(h.Connect());
    EXPECT_EQ(1, h.server.RedirectorAcceptedCount());
    h.AdvanceSecs(90);
    h.Pump(20);
    EXPECT_EQ(NC_CONNECTED, h.link->GetState());
    h.AdvanceSecs(1);
    ASSERT_TRUE(h.PumpUntil([&] { return h.link->GetState() != NC_CONNECTED; }));
    EXPECT_TRUE(h.log.Contains("No server conn activity in 90 seconds, closing conn"));
    // The idle close and the disconnect both count: the back-off applies.
    EXPECT_EQ(2u, h.link->GetFailuresSinceSuccess());
    h.AdvanceSecs(20);
    ASSERT_TRUE(h.PumpUntil([&] { return h.link->GetState() == NC_CONNECTED; }));
    EXPECT_EQ(2, h.server.RedirectorAcceptedCount());
}

TEST(NodeConnSessionTest, ReconnectsBackOffByTheRule) {
    CapturedLog log;
    ManualClock clock;
    FakeLinkOwner owner;
    FakeScanner scanner;
    SequenceRandom random({7, 100, 3});
    const sockaddr_in closed = ClosedLoopbackAddress();
    ScopedEnv redirector(kEnvRedirector, "127.0.0.1:" + std::to_string(ntohs(closed.sin_port)));
    NodeConn link(owner);
    link.InitServerConnection(nullptr, "0a1b2c3d");
    link.Start(NCM_NORMAL, L"alice", L"cred");

    auto pumpToFailures = [&](uint32_t failures) {
        for (int i = 0; i < 500 && link.GetFailuresSinceSuccess() < failures; ++i) {
            link.Tick(scanner);
            SocketSet r, w, e;
            int maxFd = 0;
            bool any = false;
            link.AddToFdSets(maxFd, any, r, w, e);
            timeval timeout{0, 2000};
            if (any && selectSockets(maxFd + 1, &r, &w, &e, &timeout) > 0)
                link.HandleSelect(r, w, e);
        }
        return link.GetFailuresSinceSuccess() == failures;
    };
    const int64_t start = platform::MonotonicSeconds();
    ASSERT_TRUE(pumpToFailures(1));
    EXPECT_EQ(start, link.GetNextConnectTime()); // at once after the first
    ASSERT_TRUE(pumpToFailures(2));
    EXPECT_EQ(start + 7 % 10 + 10, link.GetNextConnectTime());
    EXPECT_FALSE(pumpToFailures(3)); // not before its time
    clock.Advance(17 * 1000);
    ASSERT_TRUE(pumpToFailures(3));
    EXPECT_EQ(platform::MonotonicSeconds() + 100 % 15 + 10, link.GetNextConnectTime());
    clock.Advance(20 * 1000);
    ASSERT_TRUE(pumpToFailures(4));
    EXPECT_EQ(platform::MonotonicSeconds() + 3 % 20 + 10, link.GetNextConnectTime());
    EXPECT_EQ(4u, link.GetFailures());

    // A sign-in check retries after 2 s from the second failure on.
    link.RequestClose();
    link.Start(NCM_LOGIN, L"alice", L"typed");
    const uint32_t base = link.GetFailures();
    for (int i = 0; i < 500 && link.GetFailures() < base + 2; ++i)
        pumpToFailures(link.GetFailuresSinceSuccess() + 1);
    EXPECT_EQ(platform::MonotonicSeconds() + 2, link.GetNextConnectTime());
    link.Shutdown();
}

TEST(NodeConnSessionTest, WallClockStepsNeitherFireAWatchdogNorHoldBackAReconnect) {
    constexpr int64_t kSixHoursMs = 6 * 3600 * 1000LL;
    LinkHarness h;
    h.link->Start(NCM_ONETIME_LOGIN, L"alice", L"one-time-1");
    ASSERT_TRUE(h.PumpUntil([&] { return h.server.HasReceived(ClientMsg::MSG_ACCOUNT_CHECK); }));
    h.clock.SetWallMillis(h.clock.WallMillis() + kSixHoursMs);
    h.Pump(20);
    EXPECT_TRUE(h.owner.answers.empty()); // the sign-in check has its minute

    h.link->RequestClose();
    ASSERT_TRUE(h.Connect());
    h.clock.SetWallMillis(h.clock.WallMillis() + kSixHoursMs);
    h.Pump(20);
    EXPECT_EQ(NC_CONNECTED, h.link->GetState()); // not idle

    // The idle close backs off 10..19 s; a step back of hours adds nothing.
    h.AdvanceSecs(91);
    ASSERT_TRUE(h.PumpUntil([&] { return h.link->GetState() != NC_CONNECTED; }));
    ASSERT_EQ(2u, h.link->GetFailuresSinceSuccess());
    h.clock.SetWallMillis(h.clock.WallMillis() - 2 * kSixHoursMs);
    h.AdvanceSecs(20);
    EXPECT_TRUE(h.PumpUntil([&] { return h.link->GetState() == NC_CONNECTED; }));
}

TEST(NodeConnSessionTest, StatusTransfersStartedAndTheSessionWindow) {
    TestServerOptions options = DefaultServerOptions();
    options.replies.startChangesWindow = 25;
    LinkHarness h(options);
    ASSERT_TRUE(h.Connect());
    ASSERT_TRUE(h.PumpUntil([&] { return h.link->CanSendChanges(); }));
    EXPECT_EQ(25u, h.scanner.maxOutstanding);
    EXPECT_EQ(1, h.scanner.outstandingChecks);
}
