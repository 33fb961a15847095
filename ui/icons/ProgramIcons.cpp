#include "ui/icons/ProgramIcons.h"

#include <array>
#include <map>
#include <mutex>
#include <utility>

namespace {

// A beamed pair of notes on a round badge; '#' is the note, drawn in white.
constexpr std::array<const char*, 16> kNoteMask = {
    "................", "................", ".....#######....", ".....#######....",
    ".....#.....#....", ".....#.....#....", ".....#.....#....", ".....#.....#....",
    ".....#.....#....", "...###...###....", "..####..####....", "..####..####....",
    "...##....##.....", "................", "................", "................",
};

constexpr uint32_t kNoteColour = 0xFFFFFFFFu;
constexpr uint32_t kRimColour = 0xFF20242Au;

uint32_t BadgeColour(int group) {
    switch (group) {
    case IDI_PROGRAM:
        return 0xFF2D6CDFu; // blue
    case IDI_ONLINE:
        return 0xFF2E9E4Fu; // green
    default:
        return 0xFF8A8A8Au; // grey
    }
}

const char* GroupName(int group) {
    switch (group) {
    case IDI_PROGRAM:
        return "program";
    case IDI_ONLINE:
        return "online";
    default:
        return "offline";
    }
}

IconImage Draw(int group, int size) {
    IconImage image;
    image.name = GroupName(group);
    image.width = size;
    image.height = size;
    image.argb.assign(static_cast<size_t>(size * size), 0u);
    const int scale = size / 16;
    const double centre = (size - 1) / 2.0;
    const double radius = size / 2.0 - 0.5;
    const double rim = radius - scale;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const double dx = x - centre;
            const double dy = y - centre;
            const double distance2 = dx * dx + dy * dy;
            uint32_t colour = 0u; // transparent outside the badge
            if (distance2 <= radius * radius)
                colour = distance2 > rim * rim ? kRimColour : BadgeColour(group);
            if (kNoteMask[static_cast<size_t>(y / scale)][x / scale] == '#')
                colour = kNoteColour;
            image.argb[static_cast<size_t>(y * size + x)] = colour;
        }
    }
    return image;
}

} // namespace

const IconImage* LoadProgramIcon(int group, int size) {
    if (group != IDI_PROGRAM && group != IDI_OFFLINE && group != IDI_ONLINE)
        return nullptr;
    if (size != kSmallIconSize && size != kLargeIconSize)
        return nullptr;
    // Drawn once; never freed, so the pointers stay valid while any thread
    // still runs at exit.
    static std::mutex mutex;
    static auto* icons = new std::map<std::pair<int, int>, IconImage>();
    std::lock_guard<std::mutex> lock(mutex);
    auto key = std::make_pair(group, size);
    auto found = icons->find(key);
    if (found == icons->end())
        found = icons->emplace(key, Draw(group, size)).first;
    return &found->second;
}
