// The program's icons, drawn in code so that none can be missing: the program
// icon and the two tray icons (connected and not connected).
#pragma once

#include "ui/present/IconImage.h"

enum ProgramIconGroup {
    IDI_PROGRAM = 210,
    IDI_OFFLINE = 212,
    IDI_ONLINE = 213,
};

constexpr int kSmallIconSize = 16;
constexpr int kLargeIconSize = 32;

// The icon of `group` at `size` pixels (kSmallIconSize or kLargeIconSize);
// null for any other group or size. The images live as long as the program.
const IconImage* LoadProgramIcon(int group, int size);
