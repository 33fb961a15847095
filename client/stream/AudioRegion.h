// Where a song's audio lies in its file, in bytes: from behind a leading tag
// to before a trailing one, as the library's record of the file says.
#pragma once

#include <cstdint>

struct AudioRegion {
    int64_t start = 0;
    int64_t end = 0;
    // Empty when it is not known.
    bool IsKnown() const { return start >= 0 && end > start; }
};
