#include "tests/client/core/CoreHarness.h"

#include "client/core/LoginUrl.h"
#include "client/server/LoginDigests.h"
#include "include/text/AppStrings.h"
#include "include/text/Utf8.h"
#include "tests/support/WaitUntil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>

using testsupport::CoreHarness;

namespace {

class KovikCoreRequestsTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(h.Start()); }

    std::wstring MakeDir(const std::string& name) {
        std::filesystem::create_directories(h.dir.File(name));
        return h.dir.WFile(name);
    }

    CoreHarness h;
};

} // namespace

TEST_F(KovikCoreRequestsTest, RequestsRunInPostingOrderInOnePass) {
    const std::wstring a = MakeDir("a");
    h.core->SaveAccount(L"alice", L"cred", L"");
    h.events.events.clear();
    h.core->PostSetSharesRequest({a});
    h.core->PostStartRequest();
    h.core->PostChangeAccountRequest();
    h.core->ProcessUiRequests();
    EXPECT_EQ(std::vector<std::string>({"initScan(1)", "initScan(1)", "Reset"}), h.events.events);
    EXPECT_EQ(1u, h.link->starts.size());
    EXPECT_EQ(1, h.link->closeRequests);
    EXPECT_EQ(std::vector<std::wstring>({a}), h.core->GetShares());
    // The monitor follows the new shares.
    EXPECT_EQ(std::vector<std::wstring>({a}), h.shareMon->given.back());
}

TEST_F(KovikCoreRequestsTest, FoundFoldersAreAddedOnceIgnoringCaseAndWatched) {
    const std::wstring a = MakeDir("Rock");
    h.core->PostFoundFoldersRequest({a, h.dir.WFile("ROCK"), MakeDir("jazz"), L""});
    h.core->ProcessUiRequests();
    EXPECT_EQ(std::vector<std::wstring>({a, h.dir.WFile("jazz")}), h.core->GetShares());
    EXPECT_TRUE(h.log.Contains("unique: 0"));
    EXPECT_EQ(std::vector<bool>({false}), h.scanner->initScans);
    EXPECT_EQ(h.core->GetShares(), h.shareMon->given.back());
    bool notFound = false;
    EXPECT_EQ(1, KovikCore::GetActionCount(h.core->GetConfigDb(), KovikCore::kActionMusicSearch, notFound));
}

TEST_F(KovikCoreRequestsTest, FoundFoldersAfterTheUserChoseSharesChangeNothingButCountTheSearch) {
    const std::wstring chosen = MakeDir("chosen");
    h.link->state = NC_CONNECTED;
    h.core->StartMusicSearch();
    ASSERT_TRUE(h.core->IsSearchRunning());
    h.core->PostSetSharesRequest({chosen});
    h.core->PostFoundFoldersRequest({MakeDir("found")});
    h.core->ProcessUiRequests();
    EXPECT_EQ(std::vector<std::wstring>({chosen}), h.core->GetShares());
    EXPECT_FALSE(h.core->IsSearchRunning());
    bool notFound = false;
    EXPECT_EQ(1, KovikCore::GetActionCount(h.core->GetConfigDb(), KovikCore::kActionMusicSearch, notFound));
    // Told while the search ran and the link was up: once for the set, once
    // for the search's end.
    EXPECT_EQ(2, h.link->sharesChanged);
}

TEST_F(KovikCoreRequestsTest, PlayCountIncreasesOfOneSongAreSummed) {
    h.scanner->nextIncreases = {{5, 2}, {9, 1}, {5, 3}};
    h.core->PostPlayCountsRequest(std::make_unique<ITunesPlayCounts>(ITunesPlayCounts{{L"/m/a.mp3", 4}}));
    h.core->ProcessUiRequests();
    EXPECT_EQ((PlayCountMap{{5, 5}, {9, 1}}), h.core->GetPendingPlayCounts());
    ASSERT_EQ(1u, h.scanner->importedCounts.size());
}

TEST_F(KovikCoreRequestsTest, ImportedPlaylistsWaitForTheServer) {
    auto lists = std::make_unique<ImportedPlaylists>();
    lists->push_back({L"Road", L"ID1", {L"/m/a.mp3"}});
    h.core->PostITunesPlaylistsRequest(std::move(lists));
    h.core->ProcessUiRequests();
    ASSERT_EQ(1u, h.core->GetPendingPlaylists().size());
    EXPECT_EQ(L"Road", h.core->GetPendingPlaylists().front().name);
}

TEST_F(KovikCoreRequestsTest, ShareForPathIsTheLongestAtAPathBoundary) {
    h.core->PostSetSharesRequest({L"/music", L"/music/rock", L"/data/"});
    h.core->ProcessUiRequests();
    std::wstring rest;
    ASSERT_TRUE(h.core->FindShareForPath(L"/music/rock/80s", rest));
    EXPECT_EQ(L"80s", rest);
    ASSERT_TRUE(h.core->FindShareForPath(L"/music/jazz", rest));
    EXPECT_EQ(L"jazz", rest);
    ASSERT_TRUE(h.core->FindShareForPath(L"/music", rest));
    EXPECT_EQ(L"", rest);
    ASSERT_TRUE(h.core->FindShareForPath(L"/data/x", rest));
    EXPECT_EQ(L"x", rest);
    EXPECT_FALSE(h.core->FindShareForPath(L"/music2/x", rest));
    EXPECT_FALSE(h.core->FindShareForPath(L"/Music/rock", rest));
}

TEST_F(KovikCoreRequestsTest, LoginAddressWithoutASecretIsTheSite) {
    EXPECT_EQ(GetAppString(AS_WEB_BASE_URL) + L"/", h.core->BuildLoginUrl());
    h.core->SaveAccount(L"alice", L"", L"");
    h.core->SetWebLoginSecret("web-7");
    EXPECT_EQ(GetAppString(AS_WEB_BASE_URL) + L"/", h.core->BuildLoginUrl());
}

TEST_F(KovikCoreRequestsTest, LoginAddressCarriesTheNameAndTheSaltedCredential) {
    const std::wstring site = L"https://www.melvane.example";
    EXPECT_EQ(site + L"/login?redirect=1&cliu=alice&clip=" + Utf8ToWide(SaltedDigest("web-7", "cred")),
              MakeLoginUrl(site, "web-7", L"alice", L"cred"));
    // Characters with a meaning in an address are encoded.
    EXPECT_EQ(site + L"/login?redirect=1&cliu=a%20b%26c%3D%C3%A9.x_y-z~&clip=" +
                  Utf8ToWide(SaltedDigest("s", "p")),
              MakeLoginUrl(site, "s", L"a b&c=\u00e9.x_y-z~", L"p"));
}

TEST_F(KovikCoreRequestsTest, PostersAndReadersNeverDeadlockWithTheDrain) {
    // The drain holds requestLock and takes sharesLock inside; posters and
    // readers on other threads take one lock at a time.
    testsupport::RunWithDeadline("posting and draining UI requests", [this] {
        std::atomic<bool> done{false};
        std::thread poster([&] {
            for (int i = 0; i < 300; ++i) {
                h.core->PostSetSharesRequest({L"/s" + std::to_wstring(i % 3)});
                (void)h.core->GetShares();
                (void)h.core->GetUsername();
                (void)h.core->BuildLoginUrl();
            }
            done = true;
        });
        // Bounded by the deadline around it: a deadlock stops the test there.
        while (!done)
            h.core->ProcessUiRequests();
        poster.join();
    });
    h.core->ProcessUiRequests();
    EXPECT_EQ(1u, h.core->GetShares().size());
}
