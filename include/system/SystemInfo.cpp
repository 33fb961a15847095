#include "include/system/SystemInfo.h"

#include "include/fs/PathUtil.h"
#include "include/log/Logger.h"
#include "include/text/Utf8.h"
#include "platform/desktop/DefaultApps.h"
#include "platform/system/OsInfo.h"
#include "platform/system/PowerSupply.h"
#include "platform/time/Clock.h"

namespace {

constexpr uint8_t kWorkstation = 1;
constexpr uint16_t kArchX64 = 9;
constexpr uint16_t kArchItanium = 6;
constexpr uint16_t kArchX86 = 0;
constexpr uint16_t kSuiteDatacenter = 0x80;
constexpr uint16_t kSuiteEnterprise = 0x2;
constexpr uint16_t kSuitePersonal = 0x200;
constexpr uint16_t kSuiteBlade = 0x400;
constexpr uint16_t kSuiteStorageServer = 0x2000;
constexpr uint16_t kSuiteComputeServer = 0x4000;
constexpr int64_t kTickStep = 0xFFFFFFFFLL;
// Desktop files are the user's own; a name past this is cut, so that it
// cannot swell the messages it travels in.
constexpr size_t kMaxAppNameChars = 256;

const char* Vista2008Edition(uint32_t type) {
    switch (type) {
    case 1:
        return "Ultimate Edition";
    case 2:
        return "Home Basic Edition";
    case 3:
        return "Home Premium Edition";
    case 4:
        return "Enterprise Edition";
    case 6:
        return "Business Edition";
    case 7:
        return "Standard Edition";
    case 8:
        return "Datacenter Edition";
    case 9:
        return "Small Business Server";
    case 10:
        return "Enterprise Edition";
    case 11:
        return "Starter Edition";
    case 12:
        return "Datacenter Edition (core installation)";
    case 13:
        return "Standard Edition (core installation)";
    case 14:
        return "Enterprise Edition (core installation)";
    case 15:
        return "Enterprise Edition for Itanium-based Systems";
    case 17:
        return "Web Server Edition";
    case 18:
        return "Cluster Server Edition";
    case 25:
        return "Small Business Server Premium Edition";
    default:
        return "";
    }
}

const char* Bitness(uint16_t architecture) {
    if (architecture == kArchX64)
        return ", 64-bit";
    if (architecture == kArchX86)
        return ", 32-bit";
    return "";
}

const char* Server2003Edition(const WindowsVersionInfo& info) {
    const bool datacenter = info.suiteMask & kSuiteDatacenter;
    const bool enterprise = info.suiteMask & kSuiteEnterprise;
    if (info.architecture == kArchItanium) {
        if (datacenter)
            return "Datacenter Edition for Itanium-based Systems";
        return enterprise ? "Enterprise Edition for Itanium-based Systems" : "";
    }
    if (info.architecture == kArchX64) {
        if (datacenter)
            return "Datacenter x64 Edition";
        return enterprise ? "Enterprise x64 Edition" : "Standard x64 Edition";
    }
    if (info.suiteMask & kSuiteComputeServer)
        return "Compute Cluster Edition";
    if (datacenter)
        return "Datacenter Edition";
    if (enterprise)
        return "Enterprise Edition";
    if (info.suiteMask & kSuiteBlade)
        return "Web Edition";
    return "Standard Edition";
}

} // namespace

bool DescribeWindowsVersion(const WindowsVersionInfo& info, std::string& text) {
    text.clear();
    if (info.platformId != kPlatformWin32Nt || info.major < 5)
        return false;
    const bool workstation = info.productType == kWorkstation;
    text = std::to_string(info.major) + "." + std::to_string(info.minor) + ".b" + std::to_string(info.build) +
           " ";
    if (info.major == 6 && info.minor == 1) {
        text += workstation ? "Windows 7" : "Windows Server 2008 R2";
        text += Bitness(info.architecture);
    } else if (info.major == 6 && info.minor == 0) {
        text += workstation ? "Windows Vista " : "Windows Server 2008 ";
        text += Vista2008Edition(info.editionType);
        text += Bitness(info.architecture);
    } else if (info.major == 5 && info.minor == 2) {
        if (info.serverR2)
            text += "Windows Server 2003 R2, ";
        else if (info.suiteMask == kSuiteStorageServer)
            text += "Windows Storage Server 2003";
        else if (workstation && info.architecture == kArchX64)
            text += "Windows XP Professional x64 Edition";
        else
            text += "Windows Server 2003, ";
        if (!workstation)
            text += Server2003Edition(info);
    } else if (info.major == 5 && info.minor == 1) {
        text += "Windows XP ";
        text += (info.suiteMask & kSuitePersonal) ? "Home Edition" : "Professional";
    } else if (info.major == 5 && info.minor == 0) {
        text += "Windows 2000 ";
        if (workstation)
            text += "Professional";
        else if (info.suiteMask & kSuiteDatacenter)
            text += "Datacenter Server";
        else if (info.suiteMask & kSuiteEnterprise)
            text += "Advanced Server";
        else
            text += "Server";
    }
    if (!info.servicePack.empty())
        text += " " + info.servicePack;
    return true;
}

bool GetOsDescription(std::string& text) {
    text.clear();
    platform::KernelVersion kernel;
    if (!platform::ReadKernelVersion(&kernel))
        return false;
    std::string name = platform::ReadOsPrettyName();
    if (name.empty())
        name = "Linux";
    text = std::to_string(kernel.major) + "." + std::to_string(kernel.minor) + ".b" +
           std::to_string(kernel.patch) + " " + name + (platform::Is64BitProcess() ? ", 64-bit" : ", 32-bit");
    return true;
}

bool GetDefaultAppName(std::wstring& name, const std::wstring& extension) {
    std::string mimeType = platform::MimeTypeOfExtension(WideToUtf8(extension));
    if (mimeType.empty())
        return false;
    std::string app = platform::DefaultAppNameFor(mimeType);
    if (app.empty())
        return false;
    name = Utf8ToWide(app);
    if (name.size() > kMaxAppNameChars)
        name.resize(kMaxAppNameChars);
    return true;
}

void GetUserIdleInfo(uint32_t& idleSeconds, uint8_t& acLineStatus, uint8_t& batteryLifePercent) {
    idleSeconds = kIdleUnknown;
    platform::PowerStatus power = platform::ReadPowerStatus();
    acLineStatus = power.acLineStatus;
    batteryLifePercent = power.batteryLifePercent;
}

int64_t ExtendTickCount(int64_t previous, uint32_t tickCount) {
    const int64_t tick = tickCount;
    if (previous < 0 || (previous < (1LL << 32) && tick >= previous))
        return tick;
    return tick + (previous / kTickStep + 1) * kTickStep;
}

int64_t GetTicks64(int64_t /*previous*/) {
    return static_cast<int64_t>(platform::MonotonicMs());
}

std::wstring GetItunesLibraryPath() {
    return PathJoin(PathJoin(GetSpecialFolderPath(CSIDL_MYMUSIC), L"iTunes"), L"iTunes Music Library.xml");
}

void KeepSystemAwake() {
    MVLOG(LOG_VERB, "KeepSystemAwake: no sleep inhibitor on this system");
}
