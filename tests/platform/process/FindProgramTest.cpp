#include "platform/process/FindProgram.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

TEST(FindProgramTest, FirstExecutableInPathOrder) {
    testsupport::TempDir dir;
    ASSERT_EQ(0, mkdir(dir.File("a").c_str(), 0755));
    ASSERT_EQ(0, mkdir(dir.File("b").c_str(), 0755));
    ASSERT_EQ(0, mkdir(dir.File("b/tool").c_str(), 0755)); // a folder is no program
    testsupport::WriteFileText(dir.File("a/tool"), "#!/bin/sh\n");
    ASSERT_EQ(0, chmod(dir.File("a/tool").c_str(), 0755));
    testsupport::ScopedEnv path("PATH", dir.File("b") + "::" + dir.File("a"));
    EXPECT_EQ(dir.File("a/tool"), platform::FindProgramInPath("tool"));
    EXPECT_EQ("", platform::FindProgramInPath("missing"));
    EXPECT_EQ("./x/y", platform::FindProgramInPath("./x/y"));
    EXPECT_EQ("", platform::FindProgramInPath(""));
}

} // namespace
