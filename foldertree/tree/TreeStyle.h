// The style bits of a tree-view window.
#pragma once

#include <cstdint>

namespace pgv {

enum TreeStyle : uint32_t {
    TVS_HASBUTTONS = 0x1,
    TVS_HASLINES = 0x2,
    TVS_LINESATROOT = 0x4,
    TVS_EDITLABELS = 0x8,
    TVS_SHOWSELALWAYS = 0x20,
    TVS_TRACKSELECT = 0x200,
    TVS_SINGLEEXPAND = 0x400,
    TVS_INFOTIP = 0x800,
    TVS_FULLROWSELECT = 0x1000,
};

} // namespace pgv
