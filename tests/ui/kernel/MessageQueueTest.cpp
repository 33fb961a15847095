#include "ui/kernel/MessageQueue.h"
#include "tests/support/WaitUntil.h"
#include "ui/kernel/MessageLoop.h"
#include "ui/kernel/Window.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

// Counts how many of its kind are alive, to show payloads are freed.
struct Tracked {
    explicit Tracked(int* alive) : alive(alive) { ++*alive; }
    ~Tracked() { --*alive; }
    int* alive;
};

class RecordingWindow final : public Window {
  public:
    intptr_t WindowProc(Message& message) override {
        ids.push_back(message.id);
        wParams.push_back(message.wParam);
        if (auto payload = message.TakePayload<Tracked>())
            taken.push_back(std::move(payload));
        return 1;
    }
    std::vector<uint32_t> ids;
    std::vector<uintptr_t> wParams;
    std::vector<std::unique_ptr<Tracked>> taken;
};

TEST(MessageQueueTest, MessagesFromManyThreadsArriveInEachThreadsOrder) {
    auto queue = MessageQueue::Create();
    ASSERT_TRUE(queue);
    MessageLoop loop(queue);
    RecordingWindow window;
    ASSERT_TRUE(window.Attach(loop));
    const MessageTarget target = window.Target();

    constexpr int kThreads = 4;
    constexpr int kEach = 200;
    std::vector<std::thread> posters;
    for (int t = 0; t < kThreads; ++t) {
        posters.emplace_back([target, t] {
            for (int i = 0; i < kEach; ++i)
                target.Post(WM_APP + static_cast<uint32_t>(t), static_cast<uintptr_t>(i));
        });
    }
    for (std::thread& poster : posters)
        poster.join();
    loop.PostQuit(5);
    EXPECT_EQ(5, loop.Run());

    // Each thread's messages are all there, in the order it posted them.
    ASSERT_EQ(static_cast<size_t>(kThreads * kEach), window.ids.size());
    std::vector<std::vector<uintptr_t>> perThread(kThreads);
    for (size_t i = 0; i < window.ids.size(); ++i)
        perThread[window.ids[i] - WM_APP].push_back(window.wParams[i]);
    std::vector<uintptr_t> posted(kEach);
    for (int i = 0; i < kEach; ++i)
        posted[i] = static_cast<uintptr_t>(i);
    for (int t = 0; t < kThreads; ++t)
        EXPECT_EQ(posted, perThread[t]) << "thread " << t;
}

TEST(MessageQueueTest, UndeliveredPayloadsAreFreed) {
    int alive = 0;
    auto queue = MessageQueue::Create();
    ASSERT_TRUE(queue);
    {
        MessageLoop loop(queue);
        RecordingWindow window;
        ASSERT_TRUE(window.Attach(loop));
        const MessageTarget target = window.Target();

        // To a window that is destroyed before the message comes up.
        target.Post(WM_APP, 0, 0, MakePayload(std::make_unique<Tracked>(&alive)));
        window.DestroyWindow();
        loop.DispatchPending();
        EXPECT_EQ(0, alive);
        EXPECT_EQ(std::vector<uint32_t>{WM_DESTROY}, window.ids);

        // Still queued when the queue closes.
        target.Post(WM_APP, 0, 0, MakePayload(std::make_unique<Tracked>(&alive)));
        EXPECT_EQ(1, alive);
        queue->Close();
        EXPECT_EQ(0, alive);
    }
    // Posted after the close.
    EXPECT_FALSE(MessageTarget(queue, 1).Post(WM_APP, 0, 0, MakePayload(std::make_unique<Tracked>(&alive))));
    EXPECT_EQ(0, alive);
}

TEST(MessageQueueTest, HandlerOwnsTheTakenPayload) {
    int alive = 0;
    auto queue = MessageQueue::Create();
    MessageLoop loop(queue);
    RecordingWindow window;
    ASSERT_TRUE(window.Attach(loop));
    window.Target().Post(WM_APP, 0, 0, MakePayload(std::make_unique<Tracked>(&alive)));
    loop.DispatchPending();
    ASSERT_EQ(1u, window.taken.size());
    EXPECT_EQ(1, alive);
    window.taken.clear();
    EXPECT_EQ(0, alive);
}

TEST(MessageQueueTest, PostFromAnotherThreadWakesAWaitingLoop) {
    auto queue = MessageQueue::Create();
    MessageLoop loop(queue);
    RecordingWindow window;
    ASSERT_TRUE(window.Attach(loop));
    const MessageTarget target = window.Target();
    loop.SetTimer(testsupport::kWaitTimeout.count(), [&loop] { loop.PostQuit(1); });
    std::thread poster([target] {
        target.Post(WM_APP + 1);
        target.Post(WM_CLOSE);
    });
    EXPECT_TRUE(loop.RunModal([&window] { return window.ids.size() == 2; }))
        << "the posts never woke the loop";
    poster.join();
    EXPECT_EQ((std::vector<uint32_t>{WM_APP + 1, WM_CLOSE}), window.ids);
}

} // namespace
