#include "ui/kernel/MessageLoop.h"
#include "tests/support/ManualClock.h"
#include "tests/support/WaitUntil.h"
#include "ui/kernel/Dialog.h"
#include "ui/kernel/RegisteredMessages.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <thread>
#include <vector>

namespace {

class TestDialog final : public Dialog {
  public:
    std::vector<uint16_t> commands;
    std::vector<uint32_t> others;
    bool destroyed = false;

  protected:
    void OnCommand(uint16_t id) override {
        commands.push_back(id);
        if (id == IDOK || id == IDCANCEL)
            EndDialog(id);
    }
    void OnDestroy() override { destroyed = true; }
    bool OnMessage(Message& message) override {
        others.push_back(message.id);
        return true;
    }
};

struct LoopFixture : ::testing::Test {
    std::shared_ptr<MessageQueue> queue = MessageQueue::Create();
    MessageLoop loop{queue};
};

using MessageLoopTest = LoopFixture;

TEST_F(MessageLoopTest, ModalRunKeepsDispatchingOtherWindowsMessages) {
    TestDialog owner;
    ASSERT_TRUE(owner.CreateModeless(loop));
    TestDialog modal;
    // Posted before the modal run: they reach their windows during it.
    owner.Target().Post(WM_APP + 3);
    loop.Post(kNoWindow, WM_NULL); // a thread message is dropped
    MessageTarget modalTarget;
    loop.SetTimer(0, [&] {
        modalTarget = modal.Target();
        modalTarget.Post(WM_APP + 4);
        modalTarget.Post(WM_COMMAND, IDOK);
    });
    EXPECT_EQ(IDOK, modal.DoModal(loop));
    EXPECT_EQ(std::vector<uint32_t>{WM_APP + 3}, owner.others);
    EXPECT_EQ(std::vector<uint32_t>{WM_APP + 4}, modal.others);
    EXPECT_TRUE(modal.destroyed);
    EXPECT_FALSE(modal.IsWindow());
}

TEST_F(MessageLoopTest, DialogEndsWithOkEscAndTheCloseBox) {
    struct Case {
        uint32_t message;
        uintptr_t wParam;
        int expected;
    };
    for (const Case& c :
         {Case{WM_COMMAND, IDOK, IDOK}, Case{WM_COMMAND, IDCANCEL, IDCANCEL}, Case{WM_CLOSE, 0, IDCANCEL}}) {
        TestDialog dialog;
        loop.SetTimer(0, [&dialog, c] { dialog.Target().Post(c.message, c.wParam); });
        EXPECT_EQ(c.expected, dialog.DoModal(loop)) << c.message;
    }
}

TEST_F(MessageLoopTest, QuitDuringAModalRunEndsItAndTheOuterRun) {
    TestDialog dialog;
    loop.SetTimer(0, [this] { loop.PostQuit(32774); });
    EXPECT_EQ(IDCANCEL, dialog.DoModal(loop));
    EXPECT_TRUE(loop.HasQuit());
    EXPECT_EQ(32774, loop.Run());
}

TEST_F(MessageLoopTest, TimersFollowTheProgramClock) {
    testsupport::ManualClock clock;
    std::vector<int> fired;
    loop.SetTimer(5000, [&] { fired.push_back(2); });
    loop.SetTimer(1000, [&] { fired.push_back(1); });
    MessageLoop::TimerId killed = loop.SetTimer(2000, [&] { fired.push_back(99); });
    loop.KillTimer(killed);

    loop.DispatchPending();
    EXPECT_TRUE(fired.empty());
    clock.Advance(1000);
    loop.DispatchPending();
    EXPECT_EQ(std::vector<int>{1}, fired);
    clock.Advance(4000);
    loop.DispatchPending();
    EXPECT_EQ((std::vector<int>{1, 2}), fired);
}

TEST_F(MessageLoopTest, WatchedDescriptorsAreServedOnTheLoopThread) {
    int fds[2];
    ASSERT_EQ(0, pipe2(fds, O_CLOEXEC | O_NONBLOCK));
    int reads = 0;
    ASSERT_TRUE(loop.Watch(fds[0], [&] {
        char byte;
        while (read(fds[0], &byte, 1) == 1)
            ++reads;
        loop.Unwatch(fds[0]);
        loop.PostQuit(0);
    }));
    loop.SetTimer(testsupport::kWaitTimeout.count(), [this] { loop.PostQuit(-1); });
    std::thread writer([fd = fds[1]] { EXPECT_EQ(1, write(fd, "x", 1)); });
    EXPECT_EQ(0, loop.Run()) << "the descriptor was never served";
    writer.join();
    EXPECT_EQ(1, reads);
    close(fds[0]);
    close(fds[1]);
}

TEST(RegisteredMessagesTest, SameNameSameNumberAboveTheFixedOnes) {
    uint32_t taskbar = RegisterWindowMessage("TaskbarCreated");
    uint32_t tray = RegisterWindowMessage("WM_TRAYICON");
    EXPECT_EQ(taskbar, RegisterWindowMessage("TaskbarCreated"));
    EXPECT_NE(taskbar, tray);
    EXPECT_GE(taskbar, 0xC000u);
    EXPECT_GE(tray, 0xC000u);
}

} // namespace
