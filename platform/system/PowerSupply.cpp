#include "platform/system/PowerSupply.h"

#include <dirent.h>

#include <cstdlib>
#include <fstream>

namespace platform {
namespace {

std::string ReadFirstLine(const std::string& path) {
    std::ifstream file(path);
    std::string line;
    std::getline(file, line);
    return line;
}

} // namespace

PowerStatus ReadPowerStatus(const std::string& root) {
    PowerStatus status;
    DIR* dir = opendir(root.c_str());
    if (!dir)
        return status;
    bool sawMains = false;
    bool mainsOnline = false;
    bool sawBattery = false;
    bool discharging = false;
    while (dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        std::string supply = root + "/" + entry->d_name;
        std::string type = ReadFirstLine(supply + "/type");
        if (type == "Mains") {
            sawMains = true;
            mainsOnline = mainsOnline || ReadFirstLine(supply + "/online") == "1";
        } else if (type == "Battery" && !sawBattery) {
            std::string capacity = ReadFirstLine(supply + "/capacity");
            if (!capacity.empty()) {
                int percent = std::atoi(capacity.c_str());
                if (percent >= 0 && percent <= 100)
                    status.batteryLifePercent = static_cast<uint8_t>(percent);
            }
            sawBattery = true;
            discharging = ReadFirstLine(supply + "/status") == "Discharging";
        }
    }
    closedir(dir);
    if (sawMains)
        status.acLineStatus = mainsOnline ? 1 : 0;
    else if (sawBattery)
        status.acLineStatus = discharging ? 0 : 1;
    return status;
}

} // namespace platform
