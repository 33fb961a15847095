#include "platform/fs/UserModes.h"

#include "platform/fs/FileOps.h"

#include <cstdlib>
#include <string>

namespace platform {
namespace {

constexpr size_t kStatusLimit = 64 * 1024;
constexpr char kUmaskField[] = "\nUmask:";
constexpr int kUnknownUmask = 077;

int ProcessUmask() noexcept {
    std::string status;
    if (ReadFileLimited("/proc/self/status", kStatusLimit, &status) != 0)
        return kUnknownUmask;
    const size_t field = status.find(kUmaskField);
    if (field == std::string::npos)
        return kUnknownUmask;
    const char* digits = status.c_str() + field + sizeof kUmaskField - 1;
    char* end = nullptr;
    const long mask = strtol(digits, &end, 8);
    if (end == digits || mask < 0 || mask > 0777)
        return kUnknownUmask;
    return static_cast<int>(mask);
}

} // namespace

int UserFileMode() noexcept {
    return 0666 & ~ProcessUmask();
}

int UserFolderMode() noexcept {
    return 0777 & ~ProcessUmask();
}

} // namespace platform
