// Power state from /sys/class/power_supply.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

constexpr uint8_t kPowerUnknown = 255;

struct PowerStatus {
    uint8_t acLineStatus = 1; // 0 on battery, 1 on mains
    uint8_t batteryLifePercent = kPowerUnknown;
};

// Reads the supplies under `root` (normally /sys/class/power_supply). A machine
// without any supply is on mains with an unknown battery.
PowerStatus ReadPowerStatus(const std::string& root = "/sys/class/power_supply");

} // namespace platform
