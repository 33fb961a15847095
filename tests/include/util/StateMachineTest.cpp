#include "include/util/StateMachine.h"

#include <gtest/gtest.h>

namespace {

StateMachine ThreeStates() {
    StateMachine machine;
    machine.AddState(1, L"one");
    machine.AddState(2, L"two");
    machine.AddState(3, L"three");
    machine.AddTransition(1, 2);
    machine.AddTransition(2, 3);
    return machine;
}

} // namespace

TEST(StateMachineTest, OnlyRegisteredTransitionsAreValid) {
    const StateMachine machine = ThreeStates();
    EXPECT_TRUE(machine.IsValidTransition(1, 2));
    EXPECT_TRUE(machine.IsValidTransition(2, 3));

    struct Pair {
        int from;
        int to;
    };
    // Unregistered, reversed, self, beyond the rows, beyond a row, negative.
    for (Pair p : {Pair{1, 3}, Pair{3, 1}, Pair{2, 1}, Pair{2, 2}, Pair{40, 2}, Pair{2, 40}, Pair{0, 0},
                   Pair{-1, 2}, Pair{1, -1}, Pair{-1, -1}}) {
        EXPECT_FALSE(machine.IsValidTransition(p.from, p.to)) << p.from << " -> " << p.to;
    }
}

TEST(StateMachineTest, SelfTransitionsAndRepeatsAreAllowedOnlyAsRegistered) {
    StateMachine machine = ThreeStates();
    EXPECT_FALSE(machine.IsValidTransition(3, 3));
    machine.AddTransition(3, 3);
    machine.AddTransition(3, 3);
    EXPECT_TRUE(machine.IsValidTransition(3, 3));
    // A shorter row added later does not disturb the longer ones.
    machine.AddTransition(3, 1);
    EXPECT_TRUE(machine.IsValidTransition(3, 1));
    EXPECT_FALSE(machine.IsValidTransition(3, 2));
    EXPECT_TRUE(machine.IsValidTransition(1, 2));
}

TEST(StateMachineTest, StateNamesAndUnnamedNumbers) {
    StateMachine machine;
    machine.AddState(5, L"five");
    EXPECT_EQ(L"five", machine.GetStateName(5));
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(L"", machine.GetStateName(i)) << i;
    for (int outside : {6, 1000, -1})
        EXPECT_EQ(L"", machine.GetStateName(outside)) << outside;

    machine.AddState(5, L"renamed");
    EXPECT_EQ(L"renamed", machine.GetStateName(5));
    machine.AddState(2, L"two");
    EXPECT_EQ(L"renamed", machine.GetStateName(5));
    EXPECT_EQ(L"two", machine.GetStateName(2));
}
