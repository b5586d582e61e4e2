// The record list's walk, append, in-place access and release.
#include "collections/RecordList.h"

#include <gtest/gtest.h>

namespace collections {
namespace {

struct Item {
    int32_t value = 0;
    float weight = 0.0f;
};

struct RecordListTest : ::testing::Test {
    RecordList<Item> list;
    void SetUp() override { initList(list); }
    void TearDown() override { releaseList(list); }
    void append(int32_t value) { appendRecord(list, Item{value, 0.5f}); }
};

TEST_F(RecordListTest, ANewListIsOnlyItsEndMarker) {
    EXPECT_EQ(currentRecord(list), nullptr);
    EXPECT_TRUE(onEndMarker(list));
    EXPECT_EQ(hasNoCursor(list), 0);
    rewindList(list);
    EXPECT_EQ(list.cursor, list.first);
    EXPECT_EQ(advanceList(list), nullptr);  // stays on the end marker
    EXPECT_EQ(list.cursor, list.first);
}

TEST_F(RecordListTest, AppendStoresACopyAndMovesTheCursorToIt) {
    Item source{7, 1.5f};
    appendRecord(list, source);
    source.value = 99;
    ASSERT_NE(currentRecord(list), nullptr);
    EXPECT_EQ(currentRecord(list)->value, 7);
    EXPECT_EQ(currentRecord(list)->weight, 1.5f);
    EXPECT_FALSE(onEndMarker(list));
    EXPECT_EQ(list.first, list.cursor);
}

TEST_F(RecordListTest, WalksFromTheFirstRecordToTheEndMarker) {
    append(1), append(2), append(3);
    rewindList(list);
    EXPECT_EQ(currentRecord(list)->value, 1);
    RecordNode<Item>* node = advanceList(list);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->record->value, 2);
    node = advanceList(list);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->record->value, 3);
    EXPECT_EQ(advanceList(list), nullptr);
    EXPECT_TRUE(onEndMarker(list));
    EXPECT_EQ(currentRecord(list), nullptr);
}

TEST_F(RecordListTest, AppendAfterRewindGoesToTheEndAndChangesInPlaceLast) {
    append(1), append(2), append(3);
    rewindList(list);
    currentRecord(list)->value = 10;  // written in place
    append(4);
    EXPECT_EQ(currentRecord(list)->value, 4);
    rewindList(list);
    int32_t seen[4] = {};
    seen[0] = currentRecord(list)->value;
    for (int32_t i = 1; i < 4; ++i) seen[i] = advanceList(list)->record->value;
    EXPECT_EQ(seen[0], 10);
    EXPECT_EQ(seen[1], 2);
    EXPECT_EQ(seen[2], 3);
    EXPECT_EQ(seen[3], 4);
    EXPECT_EQ(advanceList(list), nullptr);
}

TEST_F(RecordListTest, AReleasedListIsInert) {
    append(1), append(2);
    releaseList(list);
    EXPECT_EQ(hasNoCursor(list), -1);
    EXPECT_EQ(currentRecord(list), nullptr);
    EXPECT_EQ(advanceList(list), nullptr);
    EXPECT_TRUE(onEndMarker(list));
    append(3);
    rewindList(list);
    EXPECT_EQ(list.cursor, nullptr);
    EXPECT_EQ(list.first, nullptr);
    releaseList(list);  // a second release finds nothing to free
}

TEST(RecordListCreation, AListThatWasNeverCreatedBehavesAsReleased) {
    RecordList<Item> list;
    appendRecord(list, Item{1, 0.0f});
    EXPECT_EQ(hasNoCursor(list), -1);
    EXPECT_EQ(currentRecord(list), nullptr);
    releaseList(list);
}

}  // namespace
}  // namespace collections
