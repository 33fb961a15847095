#include "tests/client/core/CoreHarness.h"

#include "include/fs/FileCmds.h"
#include "include/text/AppStrings.h"
#include "include/text/Utf8.h"

#include <gtest/gtest.h>

#include <filesystem>

using testsupport::CoreHarness;
using testsupport::FakeServerLink;

namespace {

class KovikCoreAccountTest : public ::testing::Test {
  protected:
    void StartWithStoredAccount(const std::wstring& user, const std::wstring& password,
                                const std::wstring& token) {
        ASSERT_TRUE(h.Start());
        ASSERT_TRUE(h.core->SaveAccount(user, password, token));
        h.Build();
        ASSERT_TRUE(h.Start());
        ASSERT_TRUE(h.core->HasStoredAccount());
    }

    bool OneTimeFileExists() { return std::filesystem::exists(WideToUtf8(h.OneTimePath())); }

    std::vector<std::string> StoredAccount() {
        std::wstring user, password, token;
        if (!h.core->LoadAccount(user, password, token))
            return {};
        return {WideToUtf8(user), WideToUtf8(password), WideToUtf8(token)};
    }

    CoreHarness h;
};

} // namespace

TEST_F(KovikCoreAccountTest, StoredAccountStartsTheNormalSession) {
    StartWithStoredAccount(L"alice", L"d1g3st", L"");
    h.core->StepAccountState();
    EXPECT_EQ(KovikCore::HAS_ACCOUNT, h.core->GetAccountState());
    EXPECT_TRUE(h.link->starts.empty()); // only queued so far
    h.core->ProcessUiRequests();
    ASSERT_EQ(1u, h.link->starts.size());
    EXPECT_EQ(NCM_NORMAL, h.link->starts[0].mode);
    EXPECT_EQ(L"alice", h.link->starts[0].user);
    EXPECT_EQ(L"d1g3st", h.link->starts[0].password);
    EXPECT_EQ(std::vector<bool>({true}), h.scanner->initScans);
}

TEST_F(KovikCoreAccountTest, OneTimeFileOfTheStoredAccountIsDeletedAndIgnored) {
    StartWithStoredAccount(L"alice", L"cred", L"secret1");
    h.WriteOneTime("alice \r\n\tsecret1\r\n");
    h.core->StepAccountState();
    EXPECT_EQ(KovikCore::HAS_ACCOUNT, h.core->GetAccountState());
    EXPECT_FALSE(OneTimeFileExists());
    h.core->ProcessUiRequests();
    ASSERT_EQ(1u, h.link->starts.size());
    EXPECT_EQ(NCM_NORMAL, h.link->starts[0].mode);
}

TEST_F(KovikCoreAccountTest, OneTimeFileOfAnotherAccountSignsInWithTrimmedLines) {
    StartWithStoredAccount(L"alice", L"cred", L"secret1");
    h.WriteOneTime("  bob\t\r\n secret2 \r\nignored third line\n");
    h.core->StepAccountState();
    EXPECT_EQ(KovikCore::WAITING_FOR_SERVER, h.core->GetAccountState());
    ASSERT_EQ(1u, h.link->starts.size());
    EXPECT_EQ(NCM_ONETIME_LOGIN, h.link->starts[0].mode);
    EXPECT_EQ(L"bob", h.link->starts[0].user);
    EXPECT_EQ(L"secret2", h.link->starts[0].password);
    EXPECT_TRUE(OneTimeFileExists()); // kept until the sign-in succeeds
}

TEST_F(KovikCoreAccountTest, UnusableOneTimeFilesAreIgnoredWithALogLine) {
    // No line end after the first line; an empty second line; an empty first.
    for (const char* text : {"bob", "bob\n", "bob\n   \r\n", "\nsecret\n"}) {
        CoreHarness fresh;
        ASSERT_TRUE(fresh.Start());
        fresh.WriteOneTime(text);
        fresh.core->StepAccountState();
        EXPECT_EQ(KovikCore::WAITING_FOR_USER, fresh.core->GetAccountState()) << text;
        EXPECT_EQ(1, fresh.ui.Count("StartLogin")) << text;
        EXPECT_TRUE(fresh.link->starts.empty()) << text;
        EXPECT_TRUE(fresh.log.Contains("Ignoring the one-time login file")) << text;
    }
}

TEST_F(KovikCoreAccountTest, NoAccountAndNoFileAsksTheUi) {
    ASSERT_TRUE(h.Start());
    h.core->StepAccountState();
    EXPECT_EQ(KovikCore::WAITING_FOR_USER, h.core->GetAccountState());
    EXPECT_EQ("StartLogin", h.ui.Ops());
    h.core->StepAccountState(); // nothing more in this state
    EXPECT_EQ("StartLogin", h.ui.Ops());
}

TEST_F(KovikCoreAccountTest, SuccessfulOneTimeSignInStoresTheServersCredential) {
    std::filesystem::create_directories(WideToUtf8(h.MusicDir()));
    ASSERT_TRUE(h.Start());
    h.WriteOneTime("bob\nsecret2\n");
    h.core->StepAccountState();
    h.core->OnAccountAnswer(KovikCore::kLoginOneTimeOk, L"server-cred", NCM_ONETIME_LOGIN);

    EXPECT_EQ(KovikCore::WAITING_FOR_SERVER, h.core->GetAccountState());
    EXPECT_EQ(std::vector<std::string>({"bob", "server-cred", "secret2"}), StoredAccount());
    EXPECT_FALSE(OneTimeFileExists());
    // First run: the music search started with My Music shared.
    EXPECT_EQ(1, h.search->starts);
    EXPECT_TRUE(h.core->IsSearchRunning());
    EXPECT_EQ(std::vector<std::wstring>({h.MusicDir()}), h.core->GetShares());
    h.core->ProcessUiRequests();
    ASSERT_EQ(2u, h.link->starts.size());
    EXPECT_EQ(NCM_NORMAL, h.link->starts[1].mode);
    EXPECT_EQ(L"server-cred", h.link->starts[1].password);
}

TEST_F(KovikCoreAccountTest, MusicSearchRunsOnlyOnTheFirstSignIn) {
    ASSERT_TRUE(h.Start());
    ASSERT_TRUE(KovikCore::IncrementAction(h.core->GetConfigDb(), KovikCore::kActionMusicSearch));
    h.WriteOneTime("bob\nsecret2\n");
    h.core->StepAccountState();
    h.core->OnAccountAnswer(KovikCore::kLoginOneTimeOk, L"cred", NCM_ONETIME_LOGIN);
    EXPECT_EQ(0, h.search->starts);
}

TEST_F(KovikCoreAccountTest, RejectedOneTimeSignInEndsTheCoreWithTheInstallText) {
    ASSERT_TRUE(h.Start());
    h.WriteOneTime("bob\nsecret2\n");
    h.core->StepAccountState();
    h.core->OnAccountAnswer(KovikCore::kLoginRejected, L"secret2", NCM_ONETIME_LOGIN);
    EXPECT_TRUE(h.core->IsStopping());
    ASSERT_EQ(1, h.ui.Count("ShowFatalError"));
    EXPECT_EQ(GetAppString(AS_INSTALL_PROBLEM), h.ui.Calls().back().text);
    EXPECT_TRUE(StoredAccount().empty());
}

TEST_F(KovikCoreAccountTest, FailedOneTimeSignInsRetryEveryMinuteThenGiveUp) {
    ASSERT_TRUE(h.Start());
    h.WriteOneTime("bob\nsecret2\n");
    h.core->StepAccountState();
    ASSERT_EQ(1u, h.link->starts.size());
    for (int attempt = 1; attempt <= KovikCore::kMaxOneTimeAttempts; ++attempt) {
        h.core->OnAccountAnswer(attempt % 2 ? KovikCore::kLoginTimedOut : 4, L"secret2", NCM_ONETIME_LOGIN);
        ASSERT_EQ(KovikCore::WAITING_FOR_RETRY, h.core->GetAccountState()) << attempt;
        h.clock.Advance(60 * 1000);
        h.core->StepAccountState();
        ASSERT_EQ(KovikCore::WAITING_FOR_RETRY, h.core->GetAccountState()) << "retried before 60 s";
        h.clock.Advance(1000);
        h.core->StepAccountState();
        ASSERT_EQ(KovikCore::WAITING_FOR_SERVER, h.core->GetAccountState()) << attempt;
        ASSERT_EQ(static_cast<size_t>(attempt + 1), h.link->starts.size());
        EXPECT_EQ(NCM_ONETIME_LOGIN, h.link->starts.back().mode);
    }
    EXPECT_EQ(0, h.ui.Count("ShowFatalError"));
    h.core->OnAccountAnswer(KovikCore::kLoginTimedOut, L"secret2", NCM_ONETIME_LOGIN);
    EXPECT_TRUE(h.core->IsStopping());
    ASSERT_EQ(1, h.ui.Count("ShowFatalError"));
    EXPECT_EQ(GetAppString(AS_REGISTER_FAILED), h.ui.Calls().back().text);
}

TEST_F(KovikCoreAccountTest, OneTimeAnswerOneSavesTheAccountButRetries) {
    ASSERT_TRUE(h.Start());
    h.WriteOneTime("bob\nsecret2\n");
    h.core->StepAccountState();
    h.core->OnAccountAnswer(KovikCore::kLoginOk, L"secret2", NCM_ONETIME_LOGIN);
    EXPECT_EQ(KovikCore::WAITING_FOR_RETRY, h.core->GetAccountState());
    EXPECT_EQ(std::vector<std::string>({"bob", "secret2", "secret2"}), StoredAccount());
}

TEST_F(KovikCoreAccountTest, TypedSignInAnswerGoesToTheUi) {
    ASSERT_TRUE(h.Start());
    h.core->StepAccountState();
    h.core->Login(L"carol", L"typed", false);
    EXPECT_EQ(KovikCore::WAITING_FOR_SERVER, h.core->GetAccountState());
    ASSERT_EQ(1u, h.link->starts.size());
    EXPECT_EQ(NCM_LOGIN, h.link->starts[0].mode);
    h.core->OnAccountAnswer(KovikCore::kLoginOk, L"hashed", NCM_LOGIN);
    EXPECT_EQ(KovikCore::WAITING_FOR_USER, h.core->GetAccountState());
    EXPECT_EQ("StartLogin LoginResult", h.ui.Ops());
    EXPECT_EQ(1, h.ui.Calls().back().value);
    EXPECT_EQ(std::vector<std::string>({"carol", "hashed", ""}), StoredAccount());
}

TEST_F(KovikCoreAccountTest, AnswerOutsideASignInIsIgnored) {
    StartWithStoredAccount(L"alice", L"cred", L"");
    h.core->StepAccountState();
    h.core->OnAccountAnswer(KovikCore::kLoginOneTimeOk, L"other", NCM_ONETIME_LOGIN);
    EXPECT_EQ(KovikCore::HAS_ACCOUNT, h.core->GetAccountState());
    EXPECT_EQ(std::vector<std::string>({"alice", "cred", ""}), StoredAccount());
    EXPECT_TRUE(h.log.Contains("Ignoring a sign-in answer 16"));
}

TEST_F(KovikCoreAccountTest, AccountStatusesResetTheScannerAndTellTheUi) {
    for (int code : {1, 2, 3}) {
        CoreHarness fresh;
        ASSERT_TRUE(fresh.Start());
        fresh.core->OnAccountStatus(code);
        EXPECT_EQ(KovikCore::WAITING_FOR_USER, fresh.core->GetAccountState());
        EXPECT_EQ(1, fresh.scanner->resets);
        ASSERT_EQ(1, fresh.ui.Count("AccountProblem"));
        EXPECT_EQ(code, fresh.ui.Calls().back().value);
    }
}

TEST_F(KovikCoreAccountTest, ChangeOfAccountForgetsTheStoredRowOnly) {
    StartWithStoredAccount(L"alice", L"cred", L"");
    h.core->StepAccountState();
    h.core->PostChangeAccountRequest();
    h.core->ProcessUiRequests();
    EXPECT_EQ(KovikCore::WAITING_FOR_USER, h.core->GetAccountState());
    EXPECT_EQ(1, h.link->closeRequests);
    EXPECT_EQ(1, h.scanner->resets);
    EXPECT_TRUE(StoredAccount().empty());
    EXPECT_EQ(L"alice", h.core->GetUsername());
    EXPECT_EQ(1, h.ui.Count("StartLogin"));
}
