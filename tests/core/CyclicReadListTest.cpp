#include <gtest/gtest.h>

#include "engine/CyclicReadList.h"

namespace morlo::engine {
namespace {

std::vector<ObjectKey> Turns(CyclicReadList& list, int n) {
    std::vector<ObjectKey> keys;
    for (int i = 0; i < n; ++i) {
        auto node = list.NextTurn();
        keys.push_back(node ? node->key : 0);
    }
    return keys;
}

TEST(CyclicReadList, ModesAlternateEachWithItsOwnCursor) {
    CyclicReadList list;
    list.Add(1, 0xA1, kCyclicReadOnly);
    list.Add(1, 0xB1, kCyclicWritable);
    list.Add(2, 0xA2, kCyclicReadOnly);
    list.Add(2, 0xB2, kCyclicWritable);
    // After A2 the read-only search runs from B2 to the end and finds nothing: that turn reads
    // nothing and the next one starts again at the head.
    EXPECT_EQ(Turns(list, 8),
              (std::vector<ObjectKey>{0xA1, 0xB1, 0xA2, 0xB2, 0, 0xA1, 0xB1, 0xA2}));
}

TEST(CyclicReadList, OnlyWritableObjectsAreNeverRead) {
    CyclicReadList list;
    list.Add(1, 0xB1, kCyclicWritable);
    EXPECT_EQ(Turns(list, 4), (std::vector<ObjectKey>{0, 0, 0, 0}));
}

TEST(CyclicReadList, InactiveNodesAreSkippedAndACursorAtTheEndRestarts) {
    CyclicReadList list;
    list.Add(1, 0xA1, kCyclicReadOnly);
    list.Add(2, 0xA2, kCyclicReadOnly);
    list.DeactivateWindow(2);
    // No writable object (0); after A1 the read-only search finds only the inactive A2 (0).
    EXPECT_EQ(Turns(list, 5), (std::vector<ObjectKey>{0xA1, 0, 0, 0xA1, 0}));
    EXPECT_TRUE(list.ActivateKey(0xA2));
    EXPECT_FALSE(list.ActivateKey(0xFF));
}

TEST(CyclicReadList, AWindowActivatesItsOwnNodeOfAKeyNotAnotherWindows) {
    CyclicReadList list;
    list.Add(1, 0xA1, kCyclicReadOnly);
    list.Add(2, 0xA1, kCyclicReadOnly);
    list.DeactivateWindow(1);
    list.DeactivateWindow(2);
    EXPECT_FALSE(list.ActivateKey(3, 0xA1));
    EXPECT_TRUE(list.ActivateKey(2, 0xA1));
    const auto node = list.NextTurn();
    ASSERT_TRUE(node);
    EXPECT_EQ(node->window, 2u);  // window 1's node stays inactive
    EXPECT_FALSE(list.Contains(3, 0xA1));
}

TEST(CyclicReadList, DuplicatesKeepTheFirstNodeAsItIs) {
    CyclicReadList list;
    EXPECT_FALSE(list.ActivateWindow(1));  // empty list
    EXPECT_TRUE(list.Add(1, 0xA1, kCyclicReadOnly));
    list.DeactivateWindow(1);
    EXPECT_FALSE(list.Add(1, 0xA1, kCyclicReadOnly));
    EXPECT_EQ(list.Size(), 1u);
    EXPECT_FALSE(list.NextTurn());                    // still inactive
    EXPECT_TRUE(list.Add(2, 0xA1, kCyclicReadOnly));  // another window may have the key
}

}  // namespace
}  // namespace morlo::engine
