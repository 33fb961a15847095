// The core with its real server connection against the protocol test server:
// a first start with a one-time login file through to the normal session, and
// a shared file's details with its print.
#include "tests/client/core/CoreHarness.h"

#include "client/media/print/PrintKeys.h"
#include "include/config/ServiceSettings.h"
#include "include/text/Utf8.h"
#include "tests/client/media/print/PrintFixtures.h"
#include "tests/support/media/TuneFixture.h"
#include "tests/support/testserver/TestServer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

using namespace testsupport;

namespace {

bool RunPassesUntil(KovikCore& core, const std::function<bool()>& done, int passes = 400) {
    for (int i = 0; i < passes && !done(); ++i)
        core.LoopPass();
    return done();
}

} // namespace

TEST(KovikCoreSessionTest, OneTimeLoginFileLeadsToAStoredAccountAndASession) {
    TestServerOptions options;
    options.replies.accountCheckStatus = 16;
    options.replies.accountCheckText = "srv-cred";
    options.replies.startChangesWindow = 10;
    options.account.userName = "alice";
    options.account.oneTimeSecret = "one-time-1";
    options.account.credential = "srv-cred";
    TestServer server(options);
    ASSERT_TRUE(server.Start());

    CoreHarness h;
    ScopedEnv redirector(kEnvRedirector, "127.0.0.1:" + std::to_string(server.RedirectorPort()));
    ScopedEnv tls(kEnvTls, "on");
    ScopedEnv ca(kEnvCaFile, server.CaFile());
    h.Build(true);
    h.WriteOneTime("alice\none-time-1\n");
    ASSERT_TRUE(h.Start());
    h.core->BeginLoop();

    ASSERT_TRUE(RunPassesUntil(*h.core, [&] { return server.HasReceived(ClientMsg::MSG_HELLO); }));
    std::optional<ReceivedMessage> check = server.PopNextOf(ClientMsg::MSG_ACCOUNT_CHECK);
    ASSERT_TRUE(check && check->As<msg::AccountCheck>());
    EXPECT_EQ("one-time-1", check->As<msg::AccountCheck>()->password);
    EXPECT_EQ(1, check->As<msg::AccountCheck>()->asGiven);
    std::optional<ReceivedMessage> hello = server.PopNextOf(ClientMsg::MSG_HELLO);
    ASSERT_TRUE(hello && hello->As<msg::Hello>());
    EXPECT_EQ(h.core->GetSessionSalt(), hello->As<msg::Hello>()->sessionSalt);
    // The session after a one-time sign-in names the secret it came from.
    EXPECT_EQ("one-time-1", hello->As<msg::Hello>()->oneTimePassword);
    EXPECT_TRUE(server.Problems().empty()) << server.Problems().front();

    std::wstring user, password, token;
    ASSERT_TRUE(h.core->LoadAccount(user, password, token));
    EXPECT_EQ(L"alice", user);
    EXPECT_EQ(L"srv-cred", password);
    EXPECT_EQ(L"one-time-1", token);
    EXPECT_FALSE(std::filesystem::exists(WideToUtf8(h.OneTimePath())));

    ASSERT_TRUE(RunPassesUntil(*h.core, [&] { return h.ui.Count("SetStatus") == 2; }));
    EXPECT_EQ(1, h.ui.Calls().back().value);
    EXPECT_NE(std::wstring::npos, h.core->BuildLoginUrl().find(L"/login?redirect=1&cliu=alice&clip="));

    msg::AccountStatus status;
    status.status = 3;
    server.Send(status);
    ASSERT_TRUE(RunPassesUntil(*h.core, [&] { return h.ui.Count("AccountProblem") == 1; }));
    EXPECT_EQ(KovikCore::WAITING_FOR_USER, h.core->GetAccountState());

    h.core->SetStopFlag();
    h.core->ShutdownCore();
    EXPECT_FALSE(h.core->IsRunning());
}

TEST(KovikCoreSessionTest, FileDetailsAskedForByTheServerCarryThePrint) {
    TestServerOptions options;
    options.replies.accountCheckStatus = 16;
    options.replies.accountCheckText = "srv-cred";
    options.replies.startChangesWindow = 10;
    options.replies.requestListing = true;
    options.account.userName = "alice";
    options.account.oneTimeSecret = "one-time-1";
    TestServer server(options);
    ASSERT_TRUE(server.Start());

    CoreHarness h;
    ScopedEnv redirector(kEnvRedirector, "127.0.0.1:" + std::to_string(server.RedirectorPort()));
    ScopedEnv tls(kEnvTls, "on");
    ScopedEnv ca(kEnvCaFile, server.CaFile());
    const std::string music = WideToUtf8(h.MusicDir());
    std::filesystem::create_directories(music);
    ASSERT_TRUE(WriteTuneFile(music + "/tune.mp3", TuneSpec()));
    h.Build(true, true);
    h.WriteOneTime("alice\none-time-1\n");
    ASSERT_TRUE(h.Start());
    h.core->BeginLoop();
    h.core->PostSetSharesRequest({h.MusicDir()});

    ASSERT_TRUE(RunPassesUntil(
        *h.core, [&] { return server.HasReceived(ClientMsg::MSG_NEW_FILE); }, 2000));
    std::optional<ReceivedMessage> added = server.PopNextOf(ClientMsg::MSG_NEW_FILE);
    ASSERT_TRUE(added && added->As<msg::NewFile>());
    const uint32_t cfID = added->As<msg::NewFile>()->music.cfID;
    msg::FileDetailsRequest request;
    request.cfID = cfID;
    request.rescan = true;
    server.Send(request);
    ASSERT_TRUE(RunPassesUntil(
        *h.core, [&] { return server.HasReceived(ClientMsg::MSG_FILE_DETAILS); }, 2000));
    std::optional<ReceivedMessage> details = server.PopNextOf(ClientMsg::MSG_FILE_DETAILS);
    ASSERT_TRUE(details && details->As<msg::FileDetails>());
    const msg::FileDetails& answer = *details->As<msg::FileDetails>();
    EXPECT_EQ(msg::kRecordMusic, answer.kind);
    EXPECT_EQ(cfID, answer.cfID);
    EXPECT_EQ("tune.mp3", answer.details.fileName);
    EXPECT_EQ(30u, answer.details.printSecs);
    EXPECT_EQ(kNumKeys, StepsOfPrint(answer.details.printText));
    EXPECT_TRUE(server.Problems().empty()) << server.Problems().front();

    h.core->SetStopFlag();
    h.core->ShutdownCore();
}
