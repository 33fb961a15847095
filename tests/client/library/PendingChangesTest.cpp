#include "client/library/PendingChanges.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::pair<int, std::wstring>> Take(PendingChanges& pending) {
    std::list<std::unique_ptr<ScanFileRequest>> taken;
    pending.TakeAll(taken);
    std::vector<std::pair<int, std::wstring>> described;
    for (const auto& request : taken)
        described.emplace_back(request->GetType(), request->GetPath());
    return described;
}

} // namespace

TEST(PendingChangesTest, IdenticalPendingModificationsAreOne) {
    PendingChanges pending;
    EXPECT_TRUE(pending.Add(FILE_MODIFIED, L"/m/a.mp3"));
    EXPECT_TRUE(pending.Add(SINGLE_FILE, L"/m/b.mp3"));
    EXPECT_FALSE(pending.Add(FILE_MODIFIED, L"/m/a.mp3"));
    EXPECT_TRUE(pending.Add(FILE_MODIFIED, L"/m/b.mp3"));
    EXPECT_TRUE(pending.Add(SINGLE_FILE, L"/m/b.mp3"));
    EXPECT_EQ((std::vector<std::pair<int, std::wstring>>{{FILE_MODIFIED, L"/m/a.mp3"},
                                                         {SINGLE_FILE, L"/m/b.mp3"},
                                                         {FILE_MODIFIED, L"/m/b.mp3"},
                                                         {SINGLE_FILE, L"/m/b.mp3"}}),
              Take(pending));
    // Once taken, a modification is news again.
    EXPECT_TRUE(pending.Add(FILE_MODIFIED, L"/m/a.mp3"));
    EXPECT_EQ(1u, Take(pending).size());
}
