#include "client/library/MusicSearch.h"

#include "include/text/Utf8.h"
#include "tests/client/core/CoreHarness.h"
#include "tests/support/WaitUntil.h"

#include <gtest/gtest.h>

#include <filesystem>

using testsupport::CoreHarness;
using testsupport::TempDir;

namespace {

class MusicSearchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* file : {"Desktop/sub/a.mp3", "Music/Band/Album/1.mp3", "Music/Band/Other/2.mp3",
                                 "mixes/x.m4a", "mdeep/1/2/3/4/a.mp3", "Documents/notes.txt"})
            Write(h.dir.File(file));
        for (const char* file : {"Albums/x/a.mp3", "Albums/y/b.mp3"})
            Write(disk.File(file));
        MusicSearchSettings settings;
        settings.home = h.dir.WPath();
        settings.desktop = h.dir.WFile("Desktop");
        settings.music = h.dir.WFile("Music");
        settings.roots = {h.dir.WPath(), disk.WPath()};
        auto search = std::make_unique<MusicSearch>(settings);
        realSearch = search.get();
        h.Build(false, false, std::move(search));
        ASSERT_TRUE(h.Start());
    }

    static void Write(const std::string& path) {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        testsupport::WriteFileText(path, "x");
    }

    std::wstring Home(const std::string& relative) const { return h.dir.WFile(relative); }

    int SearchCount() {
        bool notFound = false;
        return KovikCore::GetActionCount(h.core->GetConfigDb(), KovikCore::kActionMusicSearch, notFound);
    }

    CoreHarness h;
    TempDir disk;
    MusicSearch* realSearch = nullptr;
};

} // namespace

TEST_F(MusicSearchTest, FirstRunSharesWhatTheQuickAndTheThoroughSearchFindWithoutNesting) {
    h.core->StartMusicSearch();
    // My Music, then the quick search: shallow, so the deep folder waits;
    // Music/Band lies inside My Music.
    EXPECT_EQ(std::vector<std::wstring>({Home("Music"), Home("mixes")}), h.core->GetShares());
    EXPECT_TRUE(h.core->IsSearchRunning());

    realSearch->WaitForThread(10000);
    h.core->ProcessUiRequests();
    EXPECT_EQ(std::vector<std::wstring>({Home("Music"), Home("mixes"), Home("Desktop"), Home("mdeep/1/2/3/4"),
                                         disk.WFile("Albums")}),
              h.core->GetShares());
    EXPECT_FALSE(h.core->IsSearchRunning());
    EXPECT_EQ(1, SearchCount());

    // A found folder holding a share takes its place.
    h.core->PostFoundFoldersRequest({Home("mdeep"), Home("Music/Band/Album"), Home("mixes2")});
    h.core->ProcessUiRequests();
    EXPECT_EQ(std::vector<std::wstring>({Home("Music"), Home("mixes"), Home("Desktop"), disk.WFile("Albums"),
                                         Home("mdeep"), Home("mixes2")}),
              h.core->GetShares());
}

TEST_F(MusicSearchTest, StoppedSearchFindsNothingAndStillPostsItsResult) {
    h.core->SetStopFlag();
    h.core->StartMusicSearch();
    EXPECT_EQ(std::vector<std::wstring>({Home("Music")}), h.core->GetShares());
    realSearch->WaitForThread(10000);
    h.core->ProcessUiRequests();
    EXPECT_EQ(std::vector<std::wstring>({Home("Music")}), h.core->GetShares());
    EXPECT_FALSE(h.core->IsSearchRunning());
    EXPECT_EQ(1, SearchCount());
}

TEST_F(MusicSearchTest, SearchThatOutlivesItsCorePostsToNothing) {
    std::shared_ptr<CorePort> port = h.core->GetPort();
    // While the test holds the port the search thread cannot reach the core,
    // so the core is surely gone before the thread looks.
    ASSERT_TRUE(port->WithCore([this](KovikCore& core) {
        core.StartMusicSearch();
        h.core.reset();
    }));
    EXPECT_TRUE(port->IsStopping());
    ASSERT_TRUE(testsupport::WaitUntil([&port] { return port.use_count() == 1; }));
    EXPECT_TRUE(h.log.Contains("Music folder search ended after the core")) << h.log.Text();
}
