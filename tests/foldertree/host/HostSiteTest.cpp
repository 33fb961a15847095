#include "foldertree/host/HostSite.h"
#include "tests/support/ManualClock.h"

#include <gtest/gtest.h>

#include <functional>
#include <unistd.h>

using namespace pgvhost;

namespace {

class Callback final : public pgv::IPgvCallback, public ax::RefCounted {
  public:
    explicit Callback(std::function<void()> run) : m_run(std::move(run)) {}
    ax::HRESULT QueryInterface(const ax::Guid&, void**) override { return ax::E_NOINTERFACE; }
    AX_REFCOUNTED_MEMBERS
    void Run() override { m_run(); }

  private:
    std::function<void()> m_run;
};

ax::ComPtr<Callback> Recorder(std::vector<std::string>& log, std::string name) {
    return ax::ComPtr<Callback>::Attach(new Callback([&log, name] { log.push_back(name); }));
}

} // namespace

TEST(HostSiteTest, AnswersUserModeAndConvertsAtItsDpi) {
    auto site = ax::ComPtr<HostSite>::Attach(new HostSite());
    ax::ScopedVariant userMode, scale;
    ASSERT_EQ(site->GetAmbient(pgv::AMBIENT_USERMODE, &userMode), ax::S_OK);
    EXPECT_EQ(userMode.boolVal, ax::VARIANT_TRUE);
    EXPECT_EQ(site->GetAmbient(pgv::AMBIENT_SCALEUNITS, &scale), ax::DISP_E_MEMBERNOTFOUND);
    int32_t hx = 0, hy = 0;
    ASSERT_EQ(site->ContainerToHimetric(96, 48, &hx, &hy), ax::S_OK);
    EXPECT_EQ(hx, 2540);
    EXPECT_EQ(hy, 1270);
    EXPECT_EQ(pgv::HimetricToPixels(hx, 96), 96);
    site->SetDpi(120);
    ASSERT_EQ(site->ContainerToHimetric(120, 0, &hx, &hy), ax::S_OK);
    EXPECT_EQ(hx, 2540);
    EXPECT_EQ(pgv::HimetricToPixels(2540, 144), 144);
    EXPECT_EQ(pgv::HimetricToPixels(13, 96), 0); // (96 x 13 + 1270) / 2540
}

TEST(HostSiteTest, LoopRunsPostedCallsDueTimersAndReadyDescriptors) {
    testsupport::ManualClock clock;
    auto site = ax::ComPtr<HostSite>::Attach(new HostSite());
    ax::ComPtr<pgv::IPgvUiLoop> loop;
    ASSERT_EQ(site->GetUiLoop(loop.Out()), ax::S_OK);
    std::vector<std::string> log;
    uint32_t soon = 0, late = 0, killed = 0;
    loop->SetTimer(100, Recorder(log, "soon").Get(), &soon);
    loop->SetTimer(600, Recorder(log, "late").Get(), &late);
    loop->SetTimer(50, Recorder(log, "killed").Get(), &killed);
    loop->PostCall(Recorder(log, "posted").Get());
    EXPECT_EQ(loop->KillTimer(killed), ax::S_OK);
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    loop->WatchDescriptor(fds[0], Recorder(log, "readable").Get());
    EXPECT_EQ(site->Loop().RunPending(), 1u);
    clock.Advance(100);
    ASSERT_EQ(write(fds[1], "x", 1), 1);
    EXPECT_EQ(site->Loop().RunPending(), 2u);
    loop->UnwatchDescriptor(fds[0]);
    clock.Advance(500);
    EXPECT_EQ(site->Loop().RunPending(), 1u);
    EXPECT_EQ(site->Loop().RunPending(), 0u);
    EXPECT_EQ(log, (std::vector<std::string>{"posted", "soon", "readable", "late"}));
    close(fds[0]);
    close(fds[1]);
}

TEST(HostSiteTest, AWatchedDescriptorClosedElsewhereIsDroppedAfterItsCallbackRanOnce) {
    auto site = ax::ComPtr<HostSite>::Attach(new HostSite());
    std::vector<std::string> log;
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    ASSERT_EQ(site->Loop().WatchDescriptor(fds[0], Recorder(log, "closed").Get()), ax::S_OK);
    close(fds[0]);
    EXPECT_EQ(site->Loop().RunPending(), 1u);
    EXPECT_EQ(site->Loop().RunPending(), 0u);
    EXPECT_EQ(log, (std::vector<std::string>{"closed"}));
    EXPECT_EQ(site->Loop().UnwatchDescriptor(fds[0]), ax::S_FALSE);
    close(fds[1]);
}
