// The upgrade manifest: one file per line, fields separated by tabs (a run of
// tabs counts as one): the file's MD5, its path relative to the program
// folder ('/' or '\'), its name on the web site, and "1" for the flag the
// upgrader reads. Lines with fewer than four fields are skipped; fields after
// the fourth are ignored.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct UpgradeFileEntry {
    std::wstring md5;
    // Relative path with '\' separators, as the upgrader reads it.
    std::wstring localPath;
    std::wstring remoteName;
    bool flag = false;
};

constexpr size_t kMaxManifestLineChars = 8095;

// Parses the manifest's bytes (any bytes: the text is decoded leniently).
// False, with `error` saying why, when a line is longer than
// kMaxManifestLineChars; entries are only appended.
[[nodiscard]] bool ParseManifest(std::string_view bytes, std::vector<UpgradeFileEntry>& entries,
                                 std::string& error);
