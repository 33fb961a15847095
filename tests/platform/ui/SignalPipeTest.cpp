#include "platform/ui/SignalPipe.h"
#include "platform/ui/EventFd.h"
#include "platform/ui/PollDescriptors.h"

#include <gtest/gtest.h>

#include <csignal>
#include <thread>

namespace {

TEST(SignalPipeTest, CaughtSignalsBecomeReadableBytesAndHandlersComeBack) {
    struct sigaction before {};
    sigaction(SIGHUP, nullptr, &before);
    {
        platform::SignalPipe pipe;
        ASSERT_TRUE(pipe.Open({SIGHUP, SIGUSR2}));
        platform::SignalPipe second;
        EXPECT_FALSE(second.Open({SIGUSR1}));
        EXPECT_EQ(EBUSY, errno);

        EXPECT_EQ(0, pipe.TakeSignal());
        raise(SIGHUP);
        raise(SIGUSR2);
        pollfd pfd{pipe.ReadFd(), POLLIN, 0};
        ASSERT_EQ(1, platform::PollDescriptors(&pfd, 1, 10000));
        EXPECT_EQ(SIGHUP, pipe.TakeSignal());
        EXPECT_EQ(SIGUSR2, pipe.TakeSignal());
        EXPECT_EQ(0, pipe.TakeSignal());
    }
    struct sigaction after {};
    sigaction(SIGHUP, nullptr, &after);
    EXPECT_EQ(before.sa_handler, after.sa_handler);
}

TEST(EventFdTest, SignalWakesAPollUntilDrained) {
    platform::EventFd event;
    ASSERT_TRUE(event.IsValid());
    pollfd pfd{event.Get(), POLLIN, 0};
    EXPECT_EQ(0, platform::PollDescriptors(&pfd, 1, 0));
    std::thread signaller([&event] { event.Signal(); });
    EXPECT_EQ(1, platform::PollDescriptors(&pfd, 1, 10000));
    signaller.join();
    event.Signal();
    event.Drain();
    EXPECT_EQ(0, platform::PollDescriptors(&pfd, 1, 0));
}

} // namespace
