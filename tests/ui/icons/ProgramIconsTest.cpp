#include "ui/icons/ProgramIcons.h"

#include <gtest/gtest.h>

namespace {

TEST(ProgramIconsTest, EveryGroupAndSizeIsDrawnAndTheStatesDiffer) {
    for (int group : {IDI_PROGRAM, IDI_OFFLINE, IDI_ONLINE}) {
        for (int size : {kSmallIconSize, kLargeIconSize}) {
            const IconImage* icon = LoadProgramIcon(group, size);
            ASSERT_NE(nullptr, icon);
            EXPECT_EQ(size, icon->width);
            ASSERT_EQ(static_cast<size_t>(size * size), icon->argb.size());
            EXPECT_EQ(0u, icon->argb[0] >> 24) << "corners are transparent";
            EXPECT_EQ(icon, LoadProgramIcon(group, size));
        }
    }
    EXPECT_NE(LoadProgramIcon(IDI_ONLINE, kSmallIconSize)->argb,
              LoadProgramIcon(IDI_OFFLINE, kSmallIconSize)->argb);
    EXPECT_EQ(nullptr, LoadProgramIcon(211, kSmallIconSize));
    EXPECT_EQ(nullptr, LoadProgramIcon(IDI_ONLINE, 24));
}

} // namespace
