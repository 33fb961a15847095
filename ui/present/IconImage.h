// A small picture drawn by the program: rows of 0xAARRGGBB pixels.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct IconImage {
    std::string name;
    int width = 0;
    int height = 0;
    std::vector<uint32_t> argb;
};
