#include "platform/system/ExePath.h"

#include <gtest/gtest.h>

#include <unistd.h>

TEST(ExePathTest, IsThisProgramsAbsolutePath) {
    const std::string path = platform::ExecutablePath();
    ASSERT_FALSE(path.empty());
    EXPECT_EQ('/', path[0]);
    EXPECT_EQ("platform_tests", path.substr(path.rfind('/') + 1));
    EXPECT_EQ(0, access(path.c_str(), X_OK));
}
