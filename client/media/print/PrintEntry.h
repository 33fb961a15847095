// One run of a fingerprint: a key and how many consecutive time steps had it.
// A print is a list of runs in time order; neighbours never share a key.
#pragma once

#include <cstdint>

struct PrintEntry {
    uint32_t key = 0;
    uint16_t count = 0;
};
