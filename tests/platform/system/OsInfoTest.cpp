#include "platform/system/OsInfo.h"
#include "platform/system/PowerSupply.h"

#include "tests/support/TempDir.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

TEST(OsInfoTest, KernelReleaseAndPrettyNameAreParsed) {
    platform::KernelVersion v;
    ASSERT_TRUE(platform::ParseKernelRelease("6.1.0-18-amd64", &v));
    EXPECT_EQ(6, v.major);
    EXPECT_EQ(1, v.minor);
    EXPECT_EQ(0, v.patch);
    ASSERT_TRUE(platform::ParseKernelRelease("5.15", &v));
    EXPECT_EQ(0, v.patch);
    EXPECT_FALSE(platform::ParseKernelRelease("garbage", &v));

    EXPECT_EQ("Debian GNU/Linux 12 (bookworm)",
              platform::ParseOsReleasePrettyName(
                  "NAME=\"Debian\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n"));
    EXPECT_EQ("Plain", platform::ParseOsReleasePrettyName("PRETTY_NAME=Plain\n"));
    EXPECT_EQ("", platform::ParseOsReleasePrettyName("NAME=x\n"));
}

namespace {

void AddSupply(const testsupport::TempDir& root, const std::string& name,
               std::initializer_list<std::pair<const char*, const char*>> files) {
    mkdir(root.File(name).c_str(), 0755);
    for (const auto& [file, value] : files)
        testsupport::WriteFileText(root.File(name + "/" + file), std::string(value) + "\n");
}

} // namespace

TEST(PowerSupplyTest, MainsAndBatteryAreRead) {
    testsupport::TempDir none;
    platform::PowerStatus status = platform::ReadPowerStatus(none.Path());
    EXPECT_EQ(1, status.acLineStatus);
    EXPECT_EQ(platform::kPowerUnknown, status.batteryLifePercent);

    testsupport::TempDir laptop;
    AddSupply(laptop, "AC", {{"type", "Mains"}, {"online", "0"}});
    AddSupply(laptop, "BAT0", {{"type", "Battery"}, {"capacity", "87"}, {"status", "Discharging"}});
    status = platform::ReadPowerStatus(laptop.Path());
    EXPECT_EQ(0, status.acLineStatus);
    EXPECT_EQ(87, status.batteryLifePercent);

    testsupport::TempDir batteryOnly;
    AddSupply(batteryOnly, "BAT1", {{"type", "Battery"}, {"capacity", "250"}, {"status", "Charging"}});
    status = platform::ReadPowerStatus(batteryOnly.Path());
    EXPECT_EQ(1, status.acLineStatus);
    EXPECT_EQ(platform::kPowerUnknown, status.batteryLifePercent);
}
