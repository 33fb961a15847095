// The main of every test program: the same locale as the programs, then the
// tests. A program may define MelvaneAfterEachTest to settle what a test left
// running (threads that would outlive the test's clock or folders).
#include <gtest/gtest.h>

#include <clocale>

extern "C" void MelvaneAfterEachTest() __attribute__((weak));

namespace {

class AfterEachTest final : public ::testing::EmptyTestEventListener {
    void OnTestEnd(const ::testing::TestInfo&) override { MelvaneAfterEachTest(); }
};

} // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_CTYPE, "C.UTF-8");
    ::testing::InitGoogleTest(&argc, argv);
    if (MelvaneAfterEachTest)
        ::testing::UnitTest::GetInstance()->listeners().Append(new AfterEachTest);
    return RUN_ALL_TESTS();
}
