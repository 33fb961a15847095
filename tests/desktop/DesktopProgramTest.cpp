// The program on a desktop (Xvfb, a session bus and a stand-in for a tray
// host's watcher): it shows its tray item, runs the exported menu's
// commands, and ends in order on the listener's "close" with a dialog open.
#include "tests/desktop/DesktopProbe.h"
#include "tests/ui/ProgramProcess.h"

#include <csignal>
#include <sstream>

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
    bool WaitForWindow(const std::string& title) {
        return testsupport::WaitUntil(
            [&] {
                const std::string shown = dir.File("windows");
                return RunProbe({"windows"}, shown) == 0 &&
                       testsupport::ReadFileText(shown).find(title + "\n") != std::string::npos;
            },
            testsupport::kWaitTimeout, std::chrono::milliseconds(50));
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

} // namespace
} // namespace desktoptest
