#include "include/system/SystemInfo.h"

#include "include/fs/PathUtil.h"
#include "include/log/Logger.h"
#include "include/text/Utf8.h"
#include "platform/desktop/DefaultApps.h"
#include "platform/system/OsInfo.h"
#include "platform/system/PowerSupply.h"
#include "platform/time/Clock.h"

namespace {

// Desktop files are the user's own; a name past this is cut, so that it
// cannot swell the messages it travels in.
constexpr size_t kMaxAppNameChars = 256;

} // namespace

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

int64_t GetTicks64(int64_t /*previous*/) {
    return static_cast<int64_t>(platform::MonotonicMs());
}

std::wstring GetItunesLibraryPath() {
    return ItunesLibraryPathIn(GetSpecialFolderPath(CSIDL_MYMUSIC));
}

std::wstring ItunesLibraryPathIn(const std::wstring& musicDir) {
    // Joined to nothing the name would point at a file of the root folder.
    if (musicDir.empty())
        return std::wstring();
    return PathJoin(PathJoin(musicDir, L"iTunes"), L"iTunes Music Library.xml");
}

void KeepSystemAwake() {
    MVLOG(LOG_VERB, "KeepSystemAwake: no sleep inhibitor on this system");
}
