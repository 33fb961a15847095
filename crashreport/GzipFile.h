// Compressing a whole file with gzip.
#pragma once

#include <string>

// Writes `source` compressed to the new file `target` (0600, never replacing
// anything). False when the source cannot be opened or read, or the target
// cannot be made, written or closed; a partial target is removed.
[[nodiscard]] bool GzipFile(const std::string& source, const std::string& target);
