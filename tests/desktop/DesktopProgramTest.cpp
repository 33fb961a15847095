// The program on a desktop (Xvfb, a session bus and a stand-in for a tray
// host's watcher): it shows its tray item, runs the exported menu's
// commands, opens the shared-folders dialog on the listener's "show-folders"
// and stores what the user checks in it, and ends in order on the listener's
// "close" with a dialog open.
#include "tests/desktop/DesktopProbe.h"
#include "tests/ui/ProgramProcess.h"

#include <csignal>
#include <sstream>
#include <vector>

namespace desktoptest {
namespace {

class DesktopProgramTest : public uitest::ProgramProcess {
  protected:
    void SetUp() override {
        ProgramProcess::SetUp();
        watcher = StartProbe({"watcher", items});
        ASSERT_GT(watcher, 0);
        struct stat info {};
        ASSERT_TRUE(testsupport::WaitUntil([&] { return stat(items.c_str(), &info) == 0; }));
    }
    void TearDown() override {
        if (watcher > 0) {
            kill(watcher, SIGTERM);
            int code = 0;
            (void)platform::WaitProcess(watcher, 10000, &code);
        }
        ProgramProcess::TearDown();
    }
    // "<bus name> <object path>" of the first item the watcher was given.
    bool WaitForItem(std::string* name, std::string* path) {
        return testsupport::WaitUntil(
            [&] {
                std::istringstream lines(testsupport::ReadFileText(items));
                return static_cast<bool>(lines >> *name >> *path);
            },
            testsupport::kWaitTimeout, std::chrono::milliseconds(20));
    }
    bool WaitForWindow(const std::string& title, bool shown = true) {
        return testsupport::WaitUntil(
            [&] {
                const std::string list = dir.File("windows");
                return RunProbe({"windows"}, list) == 0 &&
                       (testsupport::ReadFileText(list).find(title + "\n") != std::string::npos) == shown;
            },
            testsupport::kWaitTimeout, std::chrono::milliseconds(50));
    }

    // The shared folders in the program's configuration, in order.
    std::vector<std::string> StoredShares() {
        std::vector<std::string> shares;
        sqlite3* db = nullptr;
        sqlite3_stmt* select = nullptr;
        if (sqlite3_open_v2(dir.File("data/Melvane/mv.dat").c_str(), &db, SQLITE_OPEN_READONLY, nullptr) ==
                SQLITE_OK &&
            sqlite3_prepare_v2(db, "select path from Shares_v1 order by rowid", -1, &select, nullptr) ==
                SQLITE_OK) {
            while (sqlite3_step(select) == SQLITE_ROW)
                shares.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(select, 0)));
        }
        sqlite3_finalize(select);
        sqlite3_close(db);
        return shares;
    }

    std::string items = dir.File("items");
    pid_t watcher = -1;
};

TEST_F(DesktopProgramTest, TrayItemRunsItsMenuAndCloseEndsTheProgramWithADialogOpen) {
    const pid_t program = Start({});
    ASSERT_GT(program, 0);
    ASSERT_TRUE(WaitUntilListening(program));
    // Only the GTK front end registers an item.
    std::string name;
    std::string path;
    ASSERT_TRUE(WaitForItem(&name, &path));

    ASSERT_EQ(0, RunProbe({"click", name, path, "About"}));
    ASSERT_TRUE(WaitForWindow("About"));

    // The About box is modal: the quit ends it with a response.
    SendClose();
    EXPECT_EQ(0, ExitCode(program));
}

TEST_F(DesktopProgramTest, FoldersDialogStoresTheFoldersTheUserChecks) {
    constexpr const char* kFolders = "Your MP3 Folders";
    // With nothing shared yet the dialog opens with the music folder checked.
    ASSERT_EQ(0, mkdir(dir.File("Music").c_str(), 0700));
    const pid_t program = Start({}, dir.File("stderr"));
    ASSERT_GT(program, 0);
    ASSERT_TRUE(WaitUntilListening(program));

    SendRequest(CMvListener::kShowFoldersRequest);
    ASSERT_TRUE(WaitForWindow(kFolders));
    // Home holds the checked music folder; its own box checks all of it. The
    // probe clicks only once the row is there to click.
    ASSERT_TRUE(testsupport::WaitUntil([&] { return RunProbe({"check", kFolders, "Home"}) == 0; }));
    ASSERT_EQ(0, RunProbe({"press", kFolders, "OK"}));
    EXPECT_TRUE(testsupport::WaitUntil([&] {
        return StoredShares() == std::vector<std::string>{dir.Path() + "/"};
    })) << testing::PrintToString(StoredShares());
    EXPECT_TRUE(WaitForWindow(kFolders, false));

    SendClose();
    EXPECT_EQ(0, ExitCode(program)) << testsupport::ReadFileText(dir.File("stderr"));
}

} // namespace
} // namespace desktoptest
