// What the running system says about itself.
#pragma once

#include <string>

namespace platform {

struct KernelVersion {
    int major = 0;
    int minor = 0;
    int patch = 0;
};

// The kernel's version from uname; false when it cannot be read.
bool ReadKernelVersion(KernelVersion* version);
// Parses a release text such as "6.1.0-18-amd64".
bool ParseKernelRelease(const std::string& release, KernelVersion* version);
// PRETTY_NAME of os-release (quotes removed), or "" when unknown.
std::string ReadOsPrettyName();
std::string ParseOsReleasePrettyName(const std::string& fileText);
// True on a 64-bit build.
constexpr bool Is64BitProcess() {
    return sizeof(void*) == 8;
}

} // namespace platform
