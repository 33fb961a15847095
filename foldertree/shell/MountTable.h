// The volumes of the namespace's Computer: mount points under /media,
// /run/media and /mnt, read from the kernel's mount table.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pgv {

constexpr const char* kDefaultMountInfoPath = "/proc/self/mountinfo";
// The most of a mount table that is read.
constexpr size_t kMaxMountInfoBytes = 4 * 1024 * 1024;

// The volume mount points named by the text of a mountinfo file, sorted and
// without repeats; malformed lines are skipped.
std::vector<std::string> ParseMountInfo(std::string_view text);
// The same from a file; false when it cannot be read.
bool ReadMountInfo(const std::string& path, std::vector<std::string>* volumes);

// The mount table the namespace reads: the kernel's unless a test put
// another in its place ("" restores the kernel's).
const std::string& MountInfoPath();
void SetMountInfoPathOverride(const std::string& path);

} // namespace pgv
