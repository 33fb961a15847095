#include "include/net/SocketError.h"

#include "tests/support/CapturedLog.h"

#include <gtest/gtest.h>

#include <cerrno>

TEST(SocketErrorTest, ClassifiesEveryErrnoValueOfTheTable) {
    struct Row {
        int error;
        SocketError expected;
    };
    const Row rows[] = {
        {EACCES, SOCKERR_INVALID},
        {EINVAL, SOCKERR_INVALID},
        {ENOTSOCK, SOCKERR_INVALID},
        {EBADF, SOCKERR_INVALID},
        {EOPNOTSUPP, SOCKERR_INVALID},
        {EADDRNOTAVAIL, SOCKERR_INVALID},
        {ENOTCONN, SOCKERR_INVALID},
        {ESHUTDOWN, SOCKERR_INVALID},
        {EMFILE, SOCKERR_RESOURCES},
        {ENFILE, SOCKERR_RESOURCES},
        {EMSGSIZE, SOCKERR_RESOURCES},
        {ENETDOWN, SOCKERR_RESOURCES},
        {ENOBUFS, SOCKERR_RESOURCES},
        {ENOMEM, SOCKERR_RESOURCES},
        {EAGAIN, SOCKERR_WOULDBLOCK},
        {EWOULDBLOCK, SOCKERR_WOULDBLOCK},
        {EINPROGRESS, SOCKERR_WOULDBLOCK},
        {EALREADY, SOCKERR_WOULDBLOCK},
        {EPIPE, SOCKERR_CONNECTION},
        {ENETUNREACH, SOCKERR_CONNECTION},
        {ENETRESET, SOCKERR_CONNECTION},
        {ECONNABORTED, SOCKERR_CONNECTION},
        {ECONNRESET, SOCKERR_CONNECTION},
        {ETIMEDOUT, SOCKERR_CONNECTION},
        {ECONNREFUSED, SOCKERR_CONNECTION},
        {EHOSTUNREACH, SOCKERR_CONNECTION},
        {EFAULT, SOCKERR_FAULT},
        {EISCONN, SOCKERR_ISCONN},
        {EINTR, SOCKERR_OTHER},
        {EHOSTDOWN, SOCKERR_OTHER},
        {0, SOCKERR_OTHER},
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.expected, classifySocketError(row.error)) << "errno " << row.error;
}

TEST(SocketErrorTest, TranslateLogsTheErrorAndKeepsIt) {
    testsupport::CapturedLog log;
    errno = ECONNRESET;
    EXPECT_EQ(0, translateError(0));
    EXPECT_EQ(0, translateError(17));
    EXPECT_EQ("", log.Text());

    EXPECT_EQ(SOCKERR_CONNECTION, translateError(-1));
    EXPECT_EQ(ECONNRESET, errno);
    EXPECT_EQ(ECONNRESET, getLastSocketError());
    EXPECT_TRUE(log.Contains("(VERB): in translate error, error: 104\n"));
    EXPECT_TRUE(log.Contains("(ERR): 104  Connection reset by peer\n")) << log.Text();
}

TEST(SocketErrorTest, WouldBlockIsNotLoggedAsAnError) {
    testsupport::CapturedLog log;
    for (int error : {EAGAIN, EINPROGRESS}) {
        errno = error;
        EXPECT_EQ(SOCKERR_WOULDBLOCK, translateError(-1));
        EXPECT_EQ(error, getLastSocketError());
    }
    EXPECT_TRUE(log.Contains("in translate error, error: 11\n"));
    EXPECT_FALSE(log.Contains("(ERR)")) << log.Text();
}
